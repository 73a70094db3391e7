// Times CueParser::parseCueFile on a 99-track album sheet (with the ffprobe run for the album
// length, and without it) and on a per-file sheet naming 3 files. Prints medians.
#include "media/cueparser.h"
#include "media/mediatools.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

double medianMs(const QString &sheet, int runs, int expectedTracks)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QVector<TrackInfo> tracks = CueParser::parseCueFile(sheet);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (tracks.size() != expectedTracks) {
            std::fprintf(stderr, "unexpected track count %d\n", int(tracks.size()));
            return -1.0;
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString album = dir.filePath(QStringLiteral("CDImage.flac"));
    const int exitCode = QProcess::execute(QStringLiteral("ffmpeg"),
        { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=44100:duration=400"),
            QStringLiteral("-ac"), QStringLiteral("2"), album });
    if (exitCode != 0) {
        std::fprintf(stderr, "could not make the album file\n");
        return 1;
    }

    QString albumSheet =
        QStringLiteral("REM GENRE Test\r\nPERFORMER \"Bench\"\r\nTITLE \"Album\"\r\n"
                       "FILE \"CDImage.flac\" WAVE\r\n");
    for (int i = 0; i < 99; ++i) {
        albumSheet += QStringLiteral("  TRACK %1 AUDIO\r\n    TITLE \"Track title number %1\"\r\n"
                                     "    PERFORMER \"Bench\"\r\n    INDEX 00 %2:%3:00\r\n"
                                     "    INDEX 01 %2:%3:40\r\n")
                          .arg(i + 1, 2, 10, QLatin1Char('0'))
                          .arg(i * 4 / 60, 2, 10, QLatin1Char('0'))
                          .arg(i * 4 % 60, 2, 10, QLatin1Char('0'));
    }
    QString perFileSheet;
    for (int i = 1; i <= 3; ++i)
        perFileSheet += QStringLiteral("FILE \"%1 Song.flac\" WAVE\r\n  TRACK %1 AUDIO\r\n"
                                       "    TITLE \"Song %1\"\r\n    INDEX 01 00:00:00\r\n")
                            .arg(i, 2, 10, QLatin1Char('0'));
    const QString albumPath = dir.filePath(QStringLiteral("album.cue"));
    const QString perFilePath = dir.filePath(QStringLiteral("perfile.cue"));
    if (!writeFile(albumPath, albumSheet) || !writeFile(perFilePath, perFileSheet))
        return 1;

    const int runs = 31;
    std::printf("bench_cue: medians of %d runs\n", runs);
    std::printf(
        "  99-track album sheet, ffprobe included:  %8.3f ms\n", medianMs(albumPath, runs, 99));
    const QString noTools = dir.filePath(QStringLiteral("no-tools"));
    QDir().mkpath(noTools);
    MediaTools::setToolFolderOverride(noTools);
    std::printf(
        "  99-track album sheet, parse only:        %8.3f ms\n", medianMs(albumPath, runs, 99));
    std::printf(
        "  3-FILE per-file sheet:                   %8.3f ms\n", medianMs(perFilePath, runs, 3));
    return 0;
}
