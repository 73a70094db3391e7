#include "app/startupwarmup.h"

#include <QImageReader>

#include <system_error>

StartupWarmup::StartupWarmup(Job job)
{
    try {
        // The environment is read here, on the main thread.
        m_thread = job == PlatformLibraries
            ? std::thread(&loadPlatformLibraries, platformLibraries())
            : std::thread(&loadImagePlugins);
    } catch (const std::system_error &) {
        // No thread to spare: the main thread does the work when it needs it, as it used to.
    }
}

StartupWarmup::~StartupWarmup()
{
    if (m_thread.joinable())
        m_thread.join();
}

void StartupWarmup::loadImagePlugins()
{
    // Qt loads every image plugin the first time it reads an image, even a PNG it reads itself
    // (the style sheet's icons), and keeps them loaded.
    QImageReader(QStringLiteral(":/resources/ui/images/default/common/info.png")).format();
}
