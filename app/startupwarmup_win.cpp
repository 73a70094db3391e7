#include "app/startupwarmup.h"

// Windows has no font configuration to read (its font service answers Qt), and its few plugins
// load quickly.
StartupWarmup::Plan StartupWarmup::platformLibraries()
{
    return {};
}

void StartupWarmup::loadPlatformLibraries(const Plan &) { }
