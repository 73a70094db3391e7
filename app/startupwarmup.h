#pragma once

#include <string>
#include <thread>
#include <vector>

// Work the first frame waits for, run beside the main thread while it builds the application
// and the window. A job only fills a process-wide cache of a library, so the main thread gets the
// same result either way, only sooner. Should the main thread get there first, the library has it
// wait for the helper (the dynamic loader, Qt's plugin loader) or do the work itself
// (fontconfig), as without one.
class StartupWarmup
{
public:
    enum Job {
        // The libraries the start loads first (the window system's plugins, the SQLite driver, the
        // SVG icon engine) and fontconfig's configuration. Made before the application object
        // exists and after the process's environment is set: the helper reads it.
        PlatformLibraries,
        ImagePlugins, // needs the application object (it tells where the plugins are)
    };

    explicit StartupWarmup(Job job);
    ~StartupWarmup(); // waits for the job to end
    StartupWarmup(const StartupWarmup &) = delete;
    StartupWarmup &operator=(const StartupWarmup &) = delete;

    // The libraries Qt will load at start in this environment, as paths or names for the dynamic
    // loader, in the order the start needs them. Only those whose file can be foreseen: none of
    // Qt's plugins when it is told to look in other folders.
    struct Plan
    {
        std::vector<std::string> beforeFonts;
        std::vector<std::string> afterFonts;
    };
    static Plan platformLibraries();

private:
    static void loadPlatformLibraries(const Plan &plan);
    static void loadImagePlugins();

    std::thread m_thread;
};
