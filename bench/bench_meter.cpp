// CPU per frame of the level meter's drawing (the paint event, without the screen), at the
// library page's size, for a quiet and a loud level: what each 16 ms frame costs.
//
//   QT_QPA_PLATFORM=offscreen bench_meter [--frames N]
#include "ui/views/audiowaveview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImage>
#include <QVBoxLayout>
#include <cstdio>
#include <ctime>

namespace {
double cpuMicroseconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ QStringLiteral("frames"), QStringLiteral("Frames per level."),
        QStringLiteral("N"), QStringLiteral("3000") });
    parser.process(app);
    const int frames = qMax(1, parser.value(QStringLiteral("frames")).toInt());

    QWidget window;
    window.resize(515, 50);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *meter = new AudioWaveView(&window);
    layout->addWidget(meter);
    window.show();
    meter->setActive(true);
    QImage target(meter->size(), QImage::Format_RGB32);

    std::printf(
        "Level meter %dx%d, %d frames per level\n", meter->width(), meter->height(), frames);
    for (const float level : { 0.05f, 0.3f, 0.9f }) {
        // The meter's own 16 ms steps settle the smoothing and the gain on the level.
        meter->pushLevel(level, level);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        double best = 1e18;
        for (int round = 0; round < 3; ++round) {
            const double start = cpuMicroseconds();
            for (int i = 0; i < frames; ++i)
                meter->render(&target);
            best = qMin(best, (cpuMicroseconds() - start) / frames);
        }
        std::printf("  level %.2f: %.1f us per frame (best of 3)\n", double(level), best);
    }
    return 0;
}
