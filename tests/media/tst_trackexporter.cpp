#include "media/mediatools.h"
#include "media/trackexporter.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using MediaSupport::fileNames;
using MediaSupport::rangeTrack;
using MediaSupport::readFile;
using MediaSupport::wholeTrack;

class TrackExporterTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void names_data();
    void names();
    void arguments_data();
    void arguments();
    void realCuts_data();
    void realCuts();
    void failures_data();
    void failures();
    void cancelCut();
    void cancelCopy();
    void destroyedWhileCutting();
    void playlistNames_data();
    void playlistNames();
    void refusals();

private:
    QString newFolder();
    // An ffmpeg that writes `writes` to its output file (when not empty), sleeps, then exits.
    void useFakeFfmpeg(const QByteArray &writes, int exitCode = 0, int sleepSeconds = 0);
    bool runExport(
        TrackExporter &exporter, const QVector<TrackInfo> &tracks, const QString &folder);
    // Raw 32-bit samples of a file, or of the range "-ss start [-t duration]" of it.
    QByteArray decode(const QString &path, const QStringList &range = {});

    QTemporaryDir m_dir;
    QString m_record;
    int m_folders = 0;
};

void TrackExporterTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_record = m_dir.filePath(QStringLiteral("ffmpeg-calls"));
}

void TrackExporterTest::cleanup()
{
    MediaTools::setToolFolderOverride(QString());
    QFile::remove(m_record);
}

QString TrackExporterTest::newFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

void TrackExporterTest::useFakeFfmpeg(const QByteArray &writes, int exitCode, int sleepSeconds)
{
    QVERIFY(MediaSupport::useFakeFfmpeg(newFolder(), writes, exitCode, sleepSeconds, m_record));
}

bool TrackExporterTest::runExport(
    TrackExporter &exporter, const QVector<TrackInfo> &tracks, const QString &folder)
{
    QSignalSpy finished(&exporter, &TrackExporter::finished);
    if (exporter.start(tracks, folder) != TrackExporter::StartResult::Started)
        return false;
    return finished.wait(120000) && finished.size() == 1 && !exporter.isRunning();
}

QByteArray TrackExporterTest::decode(const QString &path, const QStringList &range)
{
    const QString raw = m_dir.filePath(QStringLiteral("decoded.raw"));
    QStringList args { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
        QStringLiteral("-i"), path };
    args << range << QStringLiteral("-f") << QStringLiteral("s32le") << raw;
    if (!TestSupport::run(QStringLiteral("ffmpeg"), args))
        return QByteArray();
    return readFile(raw);
}

void TrackExporterTest::names_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("same title three times")
        << QStringList { "Title", "Title", "Title" } << QStringList()
        << QStringList { "Title.flac", "Title(2).flac", "Title(3).flac" };
    QTest::newRow("an earlier export's file stays")
        << QStringList { "Title" } << QStringList { "Title.flac" }
        << QStringList { "Title(2).flac" };
    QTest::newRow("forbidden characters") << QStringList { "AC/DC: Live?",
        "\\/:*?\"<>|" } << QStringList() << QStringList { "AC_DC_ Live_.flac", "_________.flac" };
    QTest::newRow("blank title") << QStringList { "   " } << QStringList()
                                 << QStringList { "untitled.flac" };
}

void TrackExporterTest::names()
{
    QFETCH(QStringList, titles);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, written);
    useFakeFfmpeg("CUT");
    const QString folder = newFolder();
    for (const QString &name : existing)
        QVERIFY(MediaSupport::writeFile(QDir(folder).filePath(name), "OLD"));
    QVector<TrackInfo> tracks;
    for (const QString &title : titles)
        tracks << rangeTrack(title, m_dir.filePath(QStringLiteral("album.flac")), 10, 20);

    TrackExporter exporter;
    QVERIFY(runExport(exporter, tracks, folder));
    QStringList got;
    for (const QString &path : exporter.result().writtenFiles) {
        got << QFileInfo(path).fileName();
        QCOMPARE(readFile(path), QByteArray("CUT"));
    }
    QCOMPARE(got, written);
    for (const QString &name : existing)
        QCOMPARE(readFile(QDir(folder).filePath(name)), QByteArray("OLD"));
    QCOMPARE(TrackExporter::summaryText(exporter.result()), QStringLiteral("Export completed."));
}

void TrackExporterTest::arguments_data()
{
    QTest::addColumn<QString>("source"); // file name; made for real when it ends in wav/aiff
    QTest::addColumn<QString>("type");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QStringList>("expected"); // after "-y", "-i", source
    QTest::addColumn<QString>("file");

    const QStringList flac { "-c:a", "flac", "-compression_level", "5" };
    QTest::newRow("FLAC range") << "album.flac"
                                << "flac" << 65.4933333 << 30.2466667
                                << QStringList { "-ss", "65.493", "-t", "30.247" } + flac
                                << "T.flac";
    QTest::newRow("WAV range: its own PCM")
        << "album.wav"
        << "wav" << 1.0 << 2.0 << QStringList { "-ss", "1.000", "-t", "2.000", "-c:a", "pcm_s16le" }
        << "T.wav";
    QTest::newRow("AIFF range: its own PCM")
        << "album.aiff"
        << "aiff" << 0.5 << 1.25
        << QStringList { "-ss", "0.500", "-t", "1.250", "-c:a", "pcm_s16be" } << "T.aiff";
    QTest::newRow("MP3 range: stream copy")
        << "album.mp3"
        << "mp3" << 12.0 << 3.5 << QStringList { "-ss", "12.000", "-t", "3.500", "-c", "copy" }
        << "T.mp3";
    QTest::newRow("Ogg range: stream copy")
        << "album.ogg"
        << "ogg" << 0.0 << 1.0 << QStringList { "-ss", "0.000", "-t", "1.000", "-c", "copy" }
        << "T.ogg";
    QTest::newRow("APE range: FLAC")
        << "album.ape"
        << "ape" << 2.0 << 1.0 << QStringList { "-ss", "2.000", "-t", "1.000" } + flac << "T.flac";
    QTest::newRow("DSF range: FLAC")
        << "album.dsf"
        << "dsf" << 2.0 << 1.0 << QStringList { "-ss", "2.000", "-t", "1.000" } + flac << "T.flac";
    QTest::newRow("TAK range: FLAC")
        << "album.tak"
        << "tak" << 2.0 << 1.0 << QStringList { "-ss", "2.000", "-t", "1.000" } + flac << "T.flac";
    QTest::newRow("WavPack range")
        << "album.wv"
        << "wv" << 1.0 << 1.0 << QStringList { "-ss", "1.000", "-t", "1.000", "-c:a", "wavpack" }
        << "T.wv";
    QTest::newRow("TTA range") << "album.tta"
                               << "tta" << 1.0 << 1.0
                               << QStringList { "-ss", "1.000", "-t", "1.000", "-c:a", "tta" }
                               << "T.tta";
    QTest::newRow("no length: to the end")
        << "album.flac"
        << "flac" << 100.0 << 0.0 << QStringList { "-ss", "100.000" } + flac << "T.flac";
    QTest::newRow("type word without suffix")
        << "album"
        << "wave" << 1.0 << 1.0 << QStringList { "-ss", "1.000", "-t", "1.000", "-c", "copy" }
        << "T.wav";
}

void TrackExporterTest::arguments()
{
    QFETCH(QString, source);
    QFETCH(QString, type);
    QFETCH(double, start);
    QFETCH(double, duration);
    QFETCH(QStringList, expected);
    QFETCH(QString, file);
    const QString path = m_dir.filePath(source);
    if (type == QLatin1String("wav") || type == QLatin1String("aiff"))
        QVERIFY(TestSupport::makeTone(path, 440, 3.0));
    useFakeFfmpeg("CUT");
    const QString folder = newFolder();

    TrackExporter exporter;
    QVERIFY(runExport(
        exporter, { rangeTrack(QStringLiteral("T"), path, start, duration, type) }, folder));
    const QString target = QDir(folder).filePath(file);
    QCOMPARE(exporter.result().writtenFiles, QStringList { target });
    QCOMPARE(MediaSupport::recordedCalls(m_record),
        (QList<QStringList> {
            QStringList { "-y", "-i", path } + expected + QStringList { "-vn", target } }));
}

void TrackExporterTest::realCuts_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("encode");
    QTest::newRow("FLAC") << "flac" << QStringList();
    QTest::newRow("WAV 24-bit") << "wav" << QStringList { "-c:a", "pcm_s24le" };
    QTest::newRow("AIFF") << "aiff" << QStringList();
    QTest::newRow("WavPack") << "wv" << QStringList();
    QTest::newRow("TTA") << "tta" << QStringList();
}

void TrackExporterTest::realCuts()
{
    QFETCH(QString, suffix);
    QFETCH(QStringList, encode);
    const QString source = newFolder() + QStringLiteral("/CDImage.") + suffix;
    QVERIFY(TestSupport::makeAudio(source,
        QStringLiteral("anoisesrc=color=pink:seed=7:amplitude=0.5:sample_rate=44100:duration=6"),
        QStringList { "-ac", "2" } + encode));
    // Starts that lie inside codec packets, as CUE frames do; the last track runs to the end.
    QVector<TrackInfo> tracks { rangeTrack("One", source, 0.0, 1.2466667),
        rangeTrack("Two", source, 1.2466667, 2.5066667),
        rangeTrack("Three", source, 3.7533333, 0.0), wholeTrack(source, "Whole") };
    TrackInfo &first = tracks.first();
    first.cuePath = QFileInfo(source).path() + QStringLiteral("/My Album.cue");

    const QString folder = newFolder();
    TrackExporter exporter;
    QVERIFY(runExport(exporter, tracks, folder));
    const TrackExporter::Result result = exporter.result();
    QVERIFY2(result.failedTitles.isEmpty(), qPrintable(result.failedTitles.join(',')));
    QCOMPARE(result.writtenFiles.size(), 4);

    const QList<QStringList> ranges { { "-ss", "0.000", "-t", "1.247" },
        { "-ss", "1.247", "-t", "2.507" }, { "-ss", "3.753" } };
    for (int i = 0; i < ranges.size(); ++i) {
        const QByteArray expected = decode(source, ranges.at(i));
        QVERIFY(expected.size() > 44100 * 8); // over a second of stereo 32-bit samples
        QVERIFY2(decode(result.writtenFiles.at(i)) == expected, qPrintable(tracks.at(i).title));
        QCOMPARE(QFileInfo(result.writtenFiles.at(i)).suffix(), suffix);
    }
    QCOMPARE(readFile(result.writtenFiles.at(3)), readFile(source));

    QCOMPARE(result.playlistPath, QDir(folder).filePath(QStringLiteral("My Album.m3u8")));
    QCOMPARE(QString::fromUtf8(readFile(result.playlistPath)),
        QStringLiteral("#EXTM3U\n#EXTINF:1,One\nOne.%1\n#EXTINF:2,Two\nTwo.%1\n"
                       "#EXTINF:0,Three\nThree.%1\n#EXTINF:6,Whole\nWhole.%1\n")
            .arg(suffix));
}

void TrackExporterTest::failures_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("writes");
    QTest::newRow("ffmpeg fails after writing part") << 1 << QByteArray("PARTIAL");
    QTest::newRow("ffmpeg succeeds but writes nothing") << 0 << QByteArray();
}

void TrackExporterTest::failures()
{
    QFETCH(int, exitCode);
    QFETCH(QByteArray, writes);
    useFakeFfmpeg(writes, exitCode);
    const QString good = m_dir.filePath(QStringLiteral("good.wav"));
    QVERIFY(MediaSupport::writeFile(good, "RIFF"));
    // A pipe would block the copy for good.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe%1.wav").arg(exitCode));
    QVERIFY(QFileInfo::exists(pipe) || TestSupport::makeFifo(pipe));
    const QString folder = newFolder();

    TrackExporter exporter;
    QVERIFY(runExport(exporter,
        { rangeTrack(QStringLiteral("Bad cut"), m_dir.filePath("album.flac"), 0, 5),
            wholeTrack(m_dir.filePath("missing.wav"), QStringLiteral("Gone")),
            wholeTrack(pipe, QStringLiteral("Pipe")), wholeTrack(good, QStringLiteral("Good")) },
        folder));
    const TrackExporter::Result result = exporter.result();
    QCOMPARE(result.failedTitles, (QStringList { "Bad cut", "Gone", "Pipe" }));
    QCOMPARE(result.writtenFiles, QStringList { QDir(folder).filePath("Good.wav") });
    QVERIFY(!result.cancelled);
    // No partial files; the playlist (named after the first track's album folder) lists only
    // what was written.
    const QString playlist = QDir(m_dir.path()).dirName() + QStringLiteral(".m3u8");
    QCOMPARE(fileNames(folder), (QStringList { "Good.wav", playlist }));
    QCOMPARE(readFile(QDir(folder).filePath(playlist)),
        QByteArray("#EXTM3U\n#EXTINF:0,Good\nGood.wav\n"));
    QCOMPARE(TrackExporter::summaryText(result),
        QStringLiteral("3 of 4 tracks could not be exported:\nBad cut\nGone\nPipe"));
}

void TrackExporterTest::cancelCut()
{
    // An ffmpeg that has written part of its file and goes on for a minute.
    useFakeFfmpeg("PARTIAL", 0, 60);
    const QString folder = newFolder();
    const QString album = m_dir.filePath(QStringLiteral("album.flac"));

    TrackExporter exporter;
    QSignalSpy progress(&exporter, &TrackExporter::progress);
    QSignalSpy finished(&exporter, &TrackExporter::finished);
    QCOMPARE(exporter.start({ rangeTrack("One", album, 0, 10), rangeTrack("Two", album, 10, 10),
                                rangeTrack("Three", album, 20, 10) },
                 folder),
        TrackExporter::StartResult::Started);
    // The event loop keeps running while ffmpeg works: the partial file shows up meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(folder).filePath("One.flac")), 20000);
    QCOMPARE(progress.size(), 1);
    QCOMPARE(progress.first(), (QVariantList { 1, 3, QStringLiteral("One") }));
    exporter.cancel();
    QVERIFY(finished.wait(20000));
    QVERIFY(exporter.result().cancelled);
    QVERIFY(exporter.result().writtenFiles.isEmpty());
    QCOMPARE(fileNames(folder), QStringList());
    QCOMPARE(MediaSupport::recordedCalls(m_record).size(), 1);
    QCOMPARE(TrackExporter::summaryText(exporter.result()),
        QStringLiteral("Export cancelled: 0 of 3 tracks were exported."));
}

void TrackExporterTest::cancelCopy()
{
    useFakeFfmpeg(QByteArray());
    const QString big = m_dir.filePath(QStringLiteral("big.wav"));
    QVERIFY(MediaSupport::writeFile(big, QByteArray(20 * 1024 * 1024, 'x')));
    const QString small = m_dir.filePath(QStringLiteral("small.wav"));
    QVERIFY(MediaSupport::writeFile(small, "RIFF"));
    const QString folder = newFolder();

    TrackExporter exporter;
    // Cancel as soon as the second (big) copy has begun.
    connect(&exporter, &TrackExporter::progress, &exporter, [&exporter](int index) {
        if (index == 2)
            QTimer::singleShot(0, &exporter, [&exporter] { exporter.cancel(); });
    });
    QVERIFY(runExport(exporter,
        { wholeTrack(small, "Small"), wholeTrack(big, "Big"), wholeTrack(small, "Never") },
        folder));
    const TrackExporter::Result result = exporter.result();
    QVERIFY(result.cancelled);
    QCOMPARE(result.writtenFiles, QStringList { QDir(folder).filePath("Small.wav") });
    QCOMPARE(
        fileNames(folder), (QStringList { "Small.wav", QDir(m_dir.path()).dirName() + ".m3u8" }));
    QCOMPARE(TrackExporter::summaryText(result),
        QStringLiteral("Export cancelled: 1 of 3 tracks were exported."));
}

void TrackExporterTest::destroyedWhileCutting()
{
    useFakeFfmpeg("PARTIAL", 0, 60);
    const QString folder = newFolder();
    {
        TrackExporter exporter;
        QCOMPARE(exporter.start({ rangeTrack("One", m_dir.filePath("album.flac"), 0, 10) }, folder),
            TrackExporter::StartResult::Started);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(folder).filePath("One.flac")), 20000);
    }
    QCOMPARE(fileNames(folder), QStringList());
}

void TrackExporterTest::playlistNames_data()
{
    QTest::addColumn<QString>("cuePath");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("playlist");
    QTest::newRow("after the sheet")
        << "/music/Best Of: Vol 1.cue" << QStringList() << "Best Of_ Vol 1.m3u8";
    QTest::newRow("after the album folder") << "" << QStringList() << "Album Folder.m3u8";
    QTest::newRow("never overwriting")
        << "/music/Best.cue" << QStringList { "Best.m3u8" } << "Best(2).m3u8";
}

void TrackExporterTest::playlistNames()
{
    QFETCH(QString, cuePath);
    QFETCH(QStringList, existing);
    QFETCH(QString, playlist);
    useFakeFfmpeg("CUT");
    const QString folder = newFolder();
    for (const QString &name : existing)
        QVERIFY(MediaSupport::writeFile(QDir(folder).filePath(name), "OLD"));
    TrackInfo track = rangeTrack(QStringLiteral("Song"),
        m_dir.filePath(QStringLiteral("Album Folder/CDImage.flac")), 0, 59.9);
    track.cuePath = cuePath;

    TrackExporter exporter;
    QVERIFY(runExport(exporter, { track }, folder));
    QCOMPARE(exporter.result().playlistPath, QDir(folder).filePath(playlist));
    QCOMPARE(readFile(exporter.result().playlistPath),
        QByteArray("#EXTM3U\n#EXTINF:59,Song\nSong.flac\n"));
    for (const QString &name : existing)
        QCOMPARE(readFile(QDir(folder).filePath(name)), QByteArray("OLD"));
}

void TrackExporterTest::refusals()
{
    const QString folder = newFolder();
    const TrackInfo track = rangeTrack("One", m_dir.filePath("album.flac"), 0, 1);
    TrackExporter exporter;
    QCOMPARE(exporter.start({}, folder), TrackExporter::StartResult::NoTracks);

    const QString empty = newFolder();
    MediaTools::setToolFolderOverride(empty);
    QCOMPARE(exporter.start({ track }, folder), TrackExporter::StartResult::FfmpegMissing);
    QCOMPARE(TrackExporter::ffmpegMissingText(),
        QStringLiteral("The ffmpeg program was not found. It was looked for in %1 and on the "
                       "PATH.")
            .arg(empty));

    useFakeFfmpeg(QByteArray(), 0, 60);
    QSignalSpy finished(&exporter, &TrackExporter::finished);
    QCOMPARE(exporter.start({ track }, folder), TrackExporter::StartResult::Started);
    QCOMPARE(exporter.start({ track }, folder), TrackExporter::StartResult::Busy);
    exporter.cancel();
    QVERIFY(finished.wait(20000));
    QCOMPARE(fileNames(folder), QStringList());
}

QTEST_GUILESS_MAIN(TrackExporterTest)
#include "tst_trackexporter.moc"
