#include "media/cueparser.h"
#include "media/exportplan.h"
#include "media/mediatools.h"
#include "media/trackexporter.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QtTest>

using namespace MediaSupport;

namespace {

// A sheet of three tracks over 6 s: starts at CD frames 0, 93 and 316 (4.2133... s, which
// lands a hair below its sample when multiplied out).
const char kSheet[] = "REM GENRE \"Art Rock\"\nREM DATE 1999\nREM DISCNUMBER 2\n"
                      "PERFORMER \"The Band\"\nTITLE \"Best: Of\"\nFILE \"%1\" WAVE\n"
                      "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    PERFORMER \"Guest\"\n"
                      "    INDEX 00 00:01:00\n    INDEX 01 00:01:18\n"
                      "  TRACK 03 AUDIO\n    TITLE \"Three\"\n    INDEX 01 00:04:16\n";
const int kStartFrames[] = { 0, 93, 316 };

// Mono float samples of a file at its own rate.
QVector<float> decode(const QString &path)
{
    QByteArray raw;
    TestSupport::run(QStringLiteral("ffmpeg"),
        { "-v", "error", "-i", path, "-map", "0:a:0", "-ac", "1", "-f", "f32le", "-" }, 60000,
        &raw);
    const auto *samples = reinterpret_cast<const float *>(raw.constData());
    return QVector<float>(samples, samples + raw.size() / 4);
}

} // namespace

class TrackExporterTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void realCuts_data();
    void realCuts();
    void arguments_data();
    void arguments();
    void names_data();
    void names();
    void failures();
    void cancelParallel();

private:
    QString newFolder();
    bool runExport(
        TrackExporter &exporter, const QVector<TrackInfo> &tracks, const QString &folder);

    QTemporaryDir m_dir;
    int m_folders = 0;
};

QString TrackExporterTest::newFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

bool TrackExporterTest::runExport(
    TrackExporter &exporter, const QVector<TrackInfo> &tracks, const QString &folder)
{
    QSignalSpy finished(&exporter, &TrackExporter::finished);
    if (exporter.start(tracks, folder) != TrackExporter::StartResult::Started)
        return false;
    return finished.wait(120000) && finished.size() == 1 && !exporter.isRunning();
}

void TrackExporterTest::realCuts_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("frame"); // a lossy codec's frame; -1: lossless, exact
    QTest::addColumn<bool>("picture");
    QTest::newRow("FLAC") << "flac" << QStringList() << 44100 << -1 << true;
    QTest::newRow("WAV 24-bit") << "wav" << QStringList { "-c:a", "pcm_s24le" } << 44100 << -1
                                << false;
    QTest::newRow("WavPack") << "wv" << QStringList() << 48000 << -1 << false;
    // MP3 cuts carry their range in the LAME header, which ffmpeg's decoder honours.
    QTest::newRow("MP3") << "mp3" << QStringList() << 44100 << 0 << true;
    QTest::newRow("M4A/AAC") << "m4a" << QStringList() << 44100 << 1024 << true;
    QTest::newRow("Ogg Vorbis") << "ogg" << QStringList() << 44100 << 2048 << false;
    QTest::newRow("Opus") << "opus" << QStringList() << 48000 << 960 << false;
}

void TrackExporterTest::realCuts()
{
    QFETCH(QString, suffix);
    QFETCH(QStringList, encode);
    QFETCH(int, rate);
    QFETCH(int, frame);
    QFETCH(bool, picture);
    const QString albumFolder = newFolder();
    const QString source = albumFolder + QStringLiteral("/CDImage.") + suffix;
    QVERIFY(TestSupport::makeAudio(source,
        QStringLiteral("anoisesrc=color=pink:seed=7:amplitude=0.5:sample_rate=%1:duration=6")
            .arg(rate),
        QStringList { "-ac", "2" } + encode));
    QVERIFY(TestSupport::makeAudio(albumFolder + QStringLiteral("/cover.png"),
        QStringLiteral("color=red:size=32x32"), { "-frames:v", "1" }));
    const QString sheet = albumFolder + QStringLiteral("/CDImage.cue");
    QVERIFY(
        writeFile(sheet, QString::fromLatin1(kSheet).arg(QFileInfo(source).fileName()).toUtf8()));

    const QString folder = newFolder();
    TrackExporter exporter;
    QVERIFY(runExport(exporter, CueParser::parseCueFile(sheet), folder));
    const TrackExporter::Result result = exporter.result();
    QVERIFY2(result.failures.isEmpty(), qPrintable(TrackExporter::summaryText(result)));
    QCOMPARE(result.writtenFiles.size(), 3);

    const QVector<float> whole = decode(source);
    for (int i = 0; i < 3; ++i) {
        const QString file = result.writtenFiles.at(i);
        const int start = kStartFrames[i] * rate / 75;
        const int end = i < 2 ? kStartFrames[i + 1] * rate / 75 : whole.size();
        const QVector<float> cut = decode(file);
        if (frame < 0)
            QVERIFY2(cut == whole.mid(start, end - start), qPrintable(file));
        else // lossy cuts: the range's length, give or take a codec frame at each end
            QVERIFY2(std::abs(cut.size() - (end - start)) <= 2 * frame,
                qPrintable(QString::number(cut.size() - (end - start))));
    }

    // Tags of track 2 read back: Ogg keeps them on the stream, the others on the file.
    QByteArray info;
    QVERIFY(TestSupport::run(QStringLiteral("ffprobe"),
        { "-v", "error", "-show_entries", "format_tags:stream_tags:stream_disposition=attached_pic",
            "-of", "flat", result.writtenFiles.at(1) },
        30000, &info));
    const QRegularExpression tag(
        "\\.tags\\.(title|artist|album|date|genre|track|disc)(?:number)?=\"(.*)\"$",
        QRegularExpression::CaseInsensitiveOption);
    QStringList got;
    for (const QByteArray &line : info.split('\n')) {
        const QRegularExpressionMatch m = tag.match(QString::fromUtf8(line));
        if (m.hasMatch())
            got << m.captured(1).toLower() + '=' + m.captured(2);
    }
    got.sort();
    got.removeDuplicates();
    // RIFF INFO has no disc field.
    QCOMPARE(got.join('|'),
        QStringLiteral("album=Best: Of|artist=Guest|date=1999|")
            + (suffix == "wav" ? "" : "disc=2|") + "genre=Art Rock|title=Two|track=2/3");
    QCOMPARE(info.contains("attached_pic=1"), picture);
    // Track 3's seek (4.163 s) falls between two of the picture's 1/25 s steps.
    QVERIFY(TestSupport::run(QStringLiteral("ffprobe"),
        { "-v", "error", "-show_entries", "stream_disposition=attached_pic", "-of", "flat",
            result.writtenFiles.at(2) },
        30000, &info));
    QCOMPARE(info.contains("attached_pic=1"), picture);

    // Named after the album; lengths rounded (1.24 s, 2.97 s and 1.79 s).
    QCOMPARE(result.playlistPath, QDir(folder).filePath(QStringLiteral("Best_ Of.m3u8")));
    QCOMPARE(QString::fromUtf8(readFile(result.playlistPath)),
        QStringLiteral("#EXTM3U\n#EXTINF:1,One\nOne.%1\n#EXTINF:3,Two\nTwo.%1\n"
                       "#EXTINF:2,Three\nThree.%1\n")
            .arg(suffix));
}

void TrackExporterTest::arguments_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QString>("expected"); // "|" between the arguments; IN: source, OUT: target
    const QString head = "-nostdin|-v|error|-y|";
    const QString tail = "|-map|0:a:0|-map_metadata|-1|-metadata|title=T|";
    const QString flac = "-c:a|flac|-compression_level|5|OUT.flac";
    QTest::newRow("APE range becomes FLAC, microseconds")
        << "ape" << 65.4933333 << 30.2466667
        << head + "-ss|65.493333|-i|IN|-t|30.246667" + tail + flac;
    QTest::newRow("DSF from the start: no seek, FLAC")
        << "dsf" << 0.0 << 10.0 << head + "-i|IN|-t|10.000000" + tail + flac;
    QTest::newRow("MP3 copy: output seek two frames early")
        << "mp3" << 10.0 << 5.0
        << head + "-i|IN|-ss|9.950000|-t|5.100000" + tail + "-c:a|copy|OUT.mp3";
    QTest::newRow("Ogg copy: output seek")
        << "ogg" << 10.0 << 5.0
        << head + "-i|IN|-ss|10.000000|-t|5.000000" + tail + "-c:a|copy|OUT.ogg";
    QTest::newRow("no length runs to the end")
        << "m4a" << 3.0 << 0.0 << head + "-ss|3.000000|-i|IN" + tail + "-c:a|copy|OUT.m4a";
}

// The cut's ffmpeg command, for types whose real cuts are not made above.
void TrackExporterTest::arguments()
{
    QFETCH(QString, type);
    QFETCH(double, start);
    QFETCH(double, duration);
    QFETCH(QString, expected);
    FakeTools none; // no probe, no cover: the bare command
    const QString source = newFolder() + "/album." + type;
    QVERIFY(writeFile(source, "x"));
    const QVector<ExportJob> jobs =
        ExportPlan::make({ rangeTrack("T", source, start, duration) }, newFolder());
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(jobs.at(0).ffmpegArguments.join('|'),
        expected.replace("IN", source).replace("OUT", QFileInfo(jobs.at(0).target).path() + "/T"));
}

void TrackExporterTest::names_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("copy");
    QTest::addColumn<QString>("name");
    const QString e300 = QString(300, QChar(0xE9)); // 600 bytes in UTF-8
    QTest::newRow("long: 255 bytes, whole characters")
        << e300 << 1 << QString(125, QChar(0xE9)) + QStringLiteral(".flac");
    QTest::newRow("long, second copy")
        << e300 << 2 << QString(123, QChar(0xE9)) + QStringLiteral("(2).flac");
    QTest::newRow("long with a combining accent: never split")
        << QString(124, QChar(0xE9)) + QStringLiteral("e\u0301x") << 1
        << QString(124, QChar(0xE9)) + QStringLiteral(".flac");
    QTest::newRow("..") << ".." << 1 << "__.flac";
    QTest::newRow("hidden") << ".hidden" << 1 << "_hidden.flac";
    QTest::newRow("option") << "-rf" << 1 << "_rf.flac";
    QTest::newRow("forbidden characters, third copy")
        << "AC/DC: Live?" << 3 << "AC_DC_ Live_(3).flac";
    QTest::newRow("all nine forbidden") << "\\/:*?\"<>|" << 1 << "_________.flac";
    QTest::newRow("blanks only") << "   " << 1 << "untitled.flac";
    QTest::newRow("trimmed") << "  Song  " << 1 << "Song.flac";
}

void TrackExporterTest::names()
{
    QFETCH(QString, title);
    QFETCH(int, copy);
    QFETCH(QString, name);
    const QString got = ExportPlan::fileName(title, QStringLiteral("flac"), copy);
    QCOMPARE(got, name);
    QVERIFY(got.toUtf8().size() <= 255);
}

void TrackExporterTest::failures()
{
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.flac"));
    QVERIFY(writeFile(garbage, "not audio"));
    const QString good = m_dir.filePath(QStringLiteral("good.wav"));
    QVERIFY(TestSupport::makeTone(good, 440, 0.5));
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.wav"));
    QVERIFY(TestSupport::makeFifo(pipe));
    const QString folder = newFolder();
    QVERIFY(writeFile(QDir(folder).filePath("Good.wav"), "OLD"));

    TrackExporter exporter;
    QVERIFY(runExport(exporter,
        { rangeTrack("Bad cut", garbage, 0, 5), wholeTrack(m_dir.filePath("gone.wav"), "Gone"),
            wholeTrack(pipe, "Pipe"), wholeTrack(good, "Good") },
        folder));
    const TrackExporter::Result result = exporter.result();
    QCOMPARE(result.writtenFiles, QStringList { QDir(folder).filePath("Good(2).wav") });
    QCOMPARE(readFile(result.writtenFiles.first()), readFile(good));
    QCOMPARE(readFile(QDir(folder).filePath("Good.wav")), QByteArray("OLD"));
    QVERIFY(QFileInfo(result.playlistPath).fileName().startsWith("Quellin export 2"));
    QCOMPARE(fileNames(folder).size(), 3); // nothing partial left, the pipe never opened
    // The bad cut's reason is ffmpeg's own first line, not a generic one.
    const QStringList summary = TrackExporter::summaryText(result).split('\n');
    QCOMPARE(summary.mid(0, 2),
        QStringList(
            { QStringLiteral("1 of 4 tracks were exported to %1.").arg(folder), "Not exported:" }));
    QVERIFY(summary.at(2).size() > 9 && !summary.at(2).contains("ffmpeg failed"));
    QCOMPARE(summary.mid(3),
        QStringList(
            { "Gone: the source file is missing", "Pipe: the source is not a regular file" }));

    // A folder that takes no new file, even for root.
    QVERIFY(runExport(exporter, { wholeTrack(good, "Good") }, QStringLiteral("/proc")));
    QVERIFY(TrackExporter::summaryText(exporter.result())
                .contains("\nGood: the folder cannot be written ("));
}

void TrackExporterTest::cancelParallel()
{
    FakeTools tools;
    QVERIFY(tools.add(QStringLiteral("ffmpeg"), { QString(), 0, 60, "PARTIAL" }));
    const QString album = m_dir.filePath(QStringLiteral("album.flac"));
    QVERIFY(writeFile(album, "FLAC"));
    const QString folder = newFolder();

    TrackExporter exporter;
    exporter.setParallelJobs(2);
    QSignalSpy finished(&exporter, &TrackExporter::finished);
    QCOMPARE(exporter.start({ rangeTrack("One", album, 0, 10), rangeTrack("Two", album, 10, 10),
                                rangeTrack("Three", album, 20, 10) },
                 folder),
        TrackExporter::StartResult::Started);
    // Two cuts run at once, each with its partial file; the third waits on its claimed name.
    QTRY_COMPARE_WITH_TIMEOUT(tools.calls().size(), 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(
        fileNames(folder), (QStringList { "One.flac", "Three.flac", "Two.flac" }), 20000);
    exporter.cancel();
    QVERIFY(finished.wait(20000));
    QCOMPARE(fileNames(folder), QStringList());
    QCOMPARE(tools.calls().size(), 2);
    QCOMPARE(TrackExporter::summaryText(exporter.result()),
        QStringLiteral("Export cancelled: 0 of 3 tracks were exported to %1.").arg(folder));
}

QTEST_GUILESS_MAIN(TrackExporterTest)
#include "tst_trackexporter.moc"
