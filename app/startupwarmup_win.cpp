#include "app/startupwarmup.h"

// Windows has no font configuration to read: its font service answers Qt.
void StartupWarmup::readFontConfiguration() { }
