#include "app/startupwarmup.h"

#include <QImageReader>

StartupWarmup::StartupWarmup(Job job)
    : m_thread(job == FontConfiguration ? &readFontConfiguration : &loadImagePlugins)
{ }

StartupWarmup::~StartupWarmup()
{
    m_thread.join();
}

void StartupWarmup::loadImagePlugins()
{
    // Qt loads every image plugin the first time it reads an image, even a PNG it reads itself
    // (the style sheet's icons), and keeps them loaded.
    QImageReader(QStringLiteral(":/resources/ui/images/default/common/info.png")).format();
}
