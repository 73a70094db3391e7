#include "app/startupwarmup.h"

#include <fontconfig/fontconfig.h>

void StartupWarmup::readFontConfiguration()
{
    // Qt's first text reads fontconfig's configuration files (a few milliseconds of XML); the
    // configuration made here is the one fontconfig then gives every caller.
    FcInit();
}
