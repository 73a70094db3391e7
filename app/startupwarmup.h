#pragma once

#include <thread>

// Work the first frame waits for, run beside the main thread while it builds the application
// and the window. A job only fills a process-wide cache of a library, so the main thread gets the
// same result either way, only sooner. Should the main thread get there first, the library has it
// wait for the helper (Qt's plugin loader) or do the work itself (fontconfig), as without one.
class StartupWarmup
{
public:
    enum Job {
        FontConfiguration, // may start before the application object exists
        ImagePlugins, // needs the application object (it tells where the plugins are)
    };

    explicit StartupWarmup(Job job);
    ~StartupWarmup(); // waits for the job to end
    StartupWarmup(const StartupWarmup &) = delete;
    StartupWarmup &operator=(const StartupWarmup &) = delete;

private:
    static void readFontConfiguration();
    static void loadImagePlugins();

    std::thread m_thread;
};
