// Times the export of a 60-minute FLAC album of 12 tracks to FLAC files: one cut at a time, then
// as many at once as the machine has cores. Prints wall times.
#include "media/cueparser.h"
#include "media/trackexporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

double exportSeconds(const QVector<TrackInfo> &tracks, const QString &folder, int jobs)
{
    QDir().mkpath(folder);
    TrackExporter exporter;
    exporter.setParallelJobs(jobs);
    QEventLoop loop;
    QObject::connect(&exporter, &TrackExporter::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    if (exporter.start(tracks, folder) != TrackExporter::StartResult::Started)
        return -1.0;
    loop.exec();
    if (exporter.result().writtenFiles.size() != tracks.size())
        return -1.0;
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QTemporaryDir dir;
    const QString album = dir.filePath(QStringLiteral("CDImage.flac"));
    std::printf("making a 60-minute stereo FLAC album...\n");
    std::fflush(stdout);
    if (QProcess::execute(QStringLiteral("ffmpeg"),
            { "-v", "error", "-y", "-f", "lavfi", "-i",
                "anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:duration=3600", "-ac", "2",
                album })
        != 0) {
        std::fprintf(stderr, "ffmpeg could not make the album\n");
        return 1;
    }
    QString sheet =
        QStringLiteral("PERFORMER \"Bench\"\nTITLE \"Hour\"\nFILE \"CDImage.flac\" WAVE\n");
    for (int i = 0; i < 12; ++i)
        sheet += QStringLiteral("  TRACK %1 AUDIO\n    TITLE \"Part %1\"\n    INDEX 01 %2:00:00\n")
                     .arg(i + 1, 2, 10, QLatin1Char('0'))
                     .arg(i * 5, 2, 10, QLatin1Char('0'));
    QFile file(dir.filePath(QStringLiteral("CDImage.cue")));
    if (!file.open(QIODevice::WriteOnly) || file.write(sheet.toUtf8()) < 0)
        return 1;
    file.close();
    const QVector<TrackInfo> tracks = CueParser::parseCueFile(file.fileName());
    if (tracks.size() != 12)
        return 1;

    const int cores = std::max(1, QThread::idealThreadCount());
    const double serial = exportSeconds(tracks, dir.filePath(QStringLiteral("serial")), 1);
    const double parallel = exportSeconds(tracks, dir.filePath(QStringLiteral("parallel")), cores);
    std::printf("12 tracks, 60 min FLAC -> FLAC: one at a time %.1f s, %d at once %.1f s "
                "(%.2fx)\n",
        serial, cores, parallel, parallel > 0 ? serial / parallel : 0.0);
    return serial > 0 && parallel > 0 ? 0 : 1;
}
