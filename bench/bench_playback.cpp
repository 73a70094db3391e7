// Playback engine figures on the default output device (a PulseAudio null sink will do; set
// PULSE_SERVER): the time from playTrack to the first audible sample handed to the output (fades
// are on the samples, so with the fade-in that is the track's second sample), median over 20
// starts of a CUE track in the middle of a generated 60-minute FLAC, fades on and off; and the
// CPU of the process while a track plays and while it is paused, without a window. The sound
// server's own latency comes on top.
//
// Usage: bench_playback [minutes]   (default 60)

#include "audio/playbackengine.h"

#include <QAudioDeviceInfo>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

double processCpu()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Milliseconds until done() holds, running the event loop meanwhile; -1 after 5 s.
double waitUntil(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        QCoreApplication::processEvents();
        if (done())
            return clock.nsecsElapsed() / 1e6;
        QThread::usleep(200);
    }
    return -1;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (QAudioDeviceInfo::defaultOutputDevice().isNull()) {
        std::fprintf(stderr, "no audio output device (is PULSE_SERVER set?)\n");
        return 1;
    }
    const int minutes = argc > 1 ? qMax(2, atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString flac = dir.filePath(QStringLiteral("album.flac"));
    const QString source =
        QStringLiteral("anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:seed=1:duration=%1[l];"
                       "anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:seed=2:duration=%1[r];"
                       "[l][r]amerge=inputs=2")
            .arg(minutes * 60);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
        { "-v", "error", "-y", "-filter_complex", source, "-c:a", "flac", "-sample_fmt", "s16",
            flac });
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "could not generate the test file\n");
        return 1;
    }

    // A CUE track in the middle of the album.
    const double start = minutes * 60 / 2 + 0.37;
    const double duration = 240;
    PlaybackEngine engine;
    for (const bool fades : { false, true }) {
        engine.setFadeEnabled(fades);
        QVector<double> times;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer clock;
            clock.start();
            engine.playTrack(flac, start, duration);
            const double waited = waitUntil([&] { return engine.positionMs() > 0; });
            if (waited >= 0)
                times << clock.nsecsElapsed() / 1e6;
            engine.stopPlayback();
        }
        std::printf("playTrack to first audible audio at the output (%s): median %.1f ms over "
                    "%d starts\n",
            fades ? "fades on" : "fades off", median(times), int(times.size()));
    }

    engine.setFadeEnabled(true);
    engine.playTrack(flac, start, duration);
    waitUntil([&] { return engine.positionMs() > 1000; });
    const int seconds = 20;
    const auto cpuOver = [&] {
        const double cpuStart = processCpu();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        return (processCpu() - cpuStart) * 100.0 / seconds;
    };
    const double playing = cpuOver();
    std::printf("CPU while a track plays: %.2f %% of one core over %d s (heard %.1f s)\n", playing,
        seconds, engine.positionMs() / 1000.0);
    engine.pause();
    QThread::msleep(1000); // the filler tops its buffer up, then sleeps
    std::printf("CPU while paused: %.3f %% of one core over %d s\n", cpuOver(), seconds);
    engine.stopPlayback();
    return 0;
}
