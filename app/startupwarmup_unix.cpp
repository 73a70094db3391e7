#include "app/startupwarmup.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>

namespace {

bool isEmpty(const char *name)
{
    const char *value = std::getenv(name);
    return !value || !*value;
}

bool equals(const char *name, const char *expected)
{
    const char *value = std::getenv(name);
    return value && std::strcmp(value, expected) == 0;
}

void load(const std::vector<std::string> &libraries)
{
    // Loaded as Qt loads a plugin (lazily bound, symbols kept local); Qt's own load of the same
    // file then only counts a reference. They stay for the process's life, as Qt keeps them. A
    // file that is missing or refuses to load is Qt's to report, when it loads it.
    for (const std::string &library : libraries)
        dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
}

} // namespace

StartupWarmup::Plan StartupWarmup::platformLibraries()
{
    Plan plan;
    // Qt's own choice of platform: the one named, else X11 unless the session is Wayland's.
    const bool x11 = isEmpty("QT_QPA_PLATFORM")
        ? !isEmpty("DISPLAY") && !equals("XDG_SESSION_TYPE", "wayland")
        : equals("QT_QPA_PLATFORM", "xcb");
    if (x11)
        plan.afterFonts.emplace_back("libXcursor.so.1"); // the pointing hand's cursor theme
#ifdef QUELLIN_QT_PLUGIN_DIR
    // Told of other plugin folders, Qt may take other builds of these plugins from there.
    if (!isEmpty("QT_PLUGIN_PATH") || !isEmpty("QT_QPA_PLATFORM_PLUGIN_PATH"))
        return plan;
    const std::string dir = QUELLIN_QT_PLUGIN_DIR "/";
    if (x11) {
        plan.beforeFonts.push_back(dir + "platforms/libqxcb.so");
        // The input method Qt takes when none is named.
        if (isEmpty("QT_IM_MODULE") || equals("QT_IM_MODULE", "compose"))
            plan.beforeFonts.push_back(
                dir + "platforminputcontexts/libcomposeplatforminputcontextplugin.so");
    }
    plan.afterFonts.push_back(dir + "sqldrivers/libqsqlite.so");
    plan.afterFonts.push_back(dir + "iconengines/libqsvgicon.so"); // the style sheets' icons
#endif
    return plan;
}

void StartupWarmup::loadPlatformLibraries(const Plan &plan)
{
    load(plan.beforeFonts);
    // Qt's first text reads fontconfig's configuration files (a few milliseconds of XML); the
    // configuration made here is the one fontconfig then gives every caller.
    FcInit();
    load(plan.afterFonts);
}
