// The least a 16 ms animation the size of the level meter costs on this machine: a window the
// size of the player's holding one plain opaque widget of the meter's size, filled with a new
// colour and repainted every 16 ms, nothing else. Qt's repaint, the flush to the display server
// and the event loop are all it measures: what the meter costs where it repaints through Qt
// (on X11 it puts its frames on its own window instead).
//
//   bench_repaintfloor [seconds]     (needs a display; bench/perf.sh runs it)
//
// Prints the process's CPU time over the run, in percent of one core.
#include "app/displaysetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <sys/resource.h>

namespace {
class Strip : public QWidget
{
public:
    explicit Strip(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(493, 44);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(m_frame++ % 256, 56, 105));
    }

private:
    int m_frame = 0;
};

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    // As the player starts: widgets only, the same scaling and flushing.
    prepareDisplay();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, atoi(argv[1])) : 10;

    QWidget window;
    window.resize(1215, 708);
    auto *layout = new QVBoxLayout(&window);
    auto *strip = new Strip(&window);
    layout->addStretch();
    layout->addWidget(strip);
    QTimer frames;
    frames.setInterval(16);
    QObject::connect(&frames, &QTimer::timeout, strip, [strip] { strip->repaint(); });
    frames.start();
    window.show();

    // A second to settle (first paint, fonts), then the measured span.
    double start = 0;
    QElapsedTimer clock;
    QTimer::singleShot(1000, &app, [&] {
        start = cpuSeconds();
        clock.start();
    });
    QTimer::singleShot(1000 + seconds * 1000, &app, [&] {
        std::printf("%.2f\n", 100.0 * (cpuSeconds() - start) / (double(clock.elapsed()) / 1000));
        app.quit();
    });
    return app.exec();
}
