// Decoding cost: a generated 60-minute 44.1 kHz stereo FLAC decoded to 32-bit float by
// FFmpegDecoder and by the ffmpeg program in the same run, and the CPU the decoder device uses
// while it idles at its high-water mark.
//
// Usage: bench_decoder [minutes]   (default 60)

#include "audio/decoderiodevice.h"
#include "audio/ffmpegdecoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <sys/resource.h>
#include <time.h>

namespace {

double seconds(const timeval &t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

double processCpu()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double childrenCpu()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double threadCpu()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool runFfmpeg(const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("ffmpeg"), args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int minutes = argc > 1 ? qMax(1, atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString flac = dir.filePath(QStringLiteral("album.flac"));

    // Two independent pink noises: compresses and decodes like music, not like a pure tone.
    QElapsedTimer clock;
    clock.start();
    const QString source =
        QStringLiteral("anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:seed=1:duration=%1[l];"
                       "anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:seed=2:duration=%1[r];"
                       "[l][r]amerge=inputs=2")
            .arg(minutes * 60);
    if (!runFfmpeg({ "-v", "error", "-y", "-filter_complex", source, "-c:a", "flac", "-sample_fmt",
            "s16", flac })) {
        std::fprintf(stderr, "could not generate the test file\n");
        return 1;
    }
    std::printf("generated %d min FLAC in %.1f s\n", minutes, clock.elapsed() / 1000.0);

    // Ours, in this thread.
    FFmpegDecoder decoder;
    if (!decoder.open(flac) || !decoder.configureOutput(3, 32)) {
        std::fprintf(stderr, "FFmpegDecoder cannot open the file\n");
        return 1;
    }
    QByteArray chunk(65536, Qt::Uninitialized);
    qint64 bytes = 0;
    clock.restart();
    const double ourStart = threadCpu();
    for (;;) {
        const qint64 got = decoder.read(chunk.data(), chunk.size());
        if (got <= 0)
            break;
        bytes += got;
    }
    const double ourCpu = threadCpu() - ourStart;
    const double ourWall = clock.elapsed() / 1000.0;
    std::printf(
        "FFmpegDecoder:  %.2f s CPU, %.2f s wall, %lld bytes of float\n", ourCpu, ourWall, bytes);

    // The ffmpeg program, same output format, to nowhere.
    const double childStart = childrenCpu();
    clock.restart();
    if (!runFfmpeg({ "-v", "error", "-i", flac, "-f", "f32le", "-y", "/dev/null" })) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    const double programCpu = childrenCpu() - childStart;
    std::printf("ffmpeg program: %.2f s CPU, %.2f s wall\n", programCpu, clock.elapsed() / 1000.0);
    std::printf("CPU ratio ours / program: %.3f (goal <= 1.1)\n", ourCpu / programCpu);

    // The device idling at its high-water mark: the filler only polls.
    decoder.close();
    if (!decoder.open(flac) || !decoder.configureOutput(3, 32))
        return 1;
    DecoderIODevice device(&decoder);
    device.open(QIODevice::ReadOnly);
    while (device.bufferedBytes() < device.highWaterBytes())
        QThread::msleep(10);
    const int idleSeconds = 10;
    const double idleStart = processCpu();
    QThread::sleep(idleSeconds);
    const double idleCpu = processCpu() - idleStart;
    device.close();
    std::printf("device idle at high water: %.1f ms CPU per minute (%.3f %% of a core)\n",
        idleCpu * 1000.0 * 60 / idleSeconds, idleCpu * 100.0 / idleSeconds);
    return 0;
}
