#include "media/mediatools.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <future>

class MediaToolsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void toolLookup();
    void durationProbe_data();
    void durationProbe();
    void coverSearch_data();
    void coverSearch();
    void extractNothing_data();
    void extractNothing();
    void extractArguments();
    void sameBaseNameAtOnce();
    void lookupOrder();

private:
    static QString colour(const QString &png);

    QTemporaryDir m_dir;
    int m_folders = 0;
};

void MediaToolsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Extracted covers go to a cache folder of our own.
    qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("cache")).toUtf8());
    QVERIFY(MediaTools::coverCacheFolder().startsWith(m_dir.filePath(QStringLiteral("cache"))));
}

void MediaToolsTest::cleanup()
{
    MediaTools::setToolFolderOverride(QString());
}

// The colour of the picture's middle by its strong channel ("red", "lime", "blue"); pictures
// pass through YUV on their way in, so the channels are only near 0 and 255.
QString MediaToolsTest::colour(const QString &png)
{
    const QImage image(png);
    if (image.isNull())
        return QStringLiteral("none");
    const QRgb p = image.pixel(image.width() / 2, image.height() / 2);
    const auto strong = [](int v) { return v > 200; };
    const auto weak = [](int v) { return v < 60; };
    if (strong(qRed(p)) && weak(qGreen(p)) && weak(qBlue(p)))
        return QStringLiteral("red");
    if (weak(qRed(p)) && strong(qGreen(p)) && weak(qBlue(p)))
        return QStringLiteral("lime");
    if (weak(qRed(p)) && weak(qGreen(p)) && strong(qBlue(p)))
        return QStringLiteral("blue");
    return QStringLiteral("other");
}

void MediaToolsTest::toolLookup()
{
    // Nothing beside the test program: the ones on PATH.
    QCOMPARE(MediaTools::ffprobePath(), QStandardPaths::findExecutable(QStringLiteral("ffprobe")));
    QCOMPARE(MediaTools::ffmpegPath(), QStandardPaths::findExecutable(QStringLiteral("ffmpeg")));

    // A folder without them makes them absent, PATH notwithstanding.
    MediaSupport::FakeTools tools;
    QVERIFY(!QFileInfo::exists(MediaTools::ffprobePath()));
    QVERIFY(!QFileInfo::exists(MediaTools::ffmpegPath()));
    QCOMPARE(MediaTools::probeMediaDurationSeconds(m_dir.filePath(QStringLiteral("x.wav"))), 0.0);
    QVERIFY(tools.add(QStringLiteral("ffprobe"), {}) && tools.add(QStringLiteral("ffmpeg"), {}));
    QCOMPARE(MediaTools::ffprobePath(), MediaTools::toolFolder() + QStringLiteral("/ffprobe"));
    QCOMPARE(MediaTools::ffmpegPath(), MediaTools::toolFolder() + QStringLiteral("/ffmpeg"));
    QVERIFY(QFileInfo(MediaTools::ffmpegPath()).isExecutable());
}

void MediaToolsTest::durationProbe_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("sleep");
    QTest::addColumn<double>("seconds");
    QTest::newRow("number") << "245.973333\n" << 0 << 0 << 245.973333;
    QTest::newRow("exit code is not looked at") << "12.5\n" << 1 << 0 << 12.5;
    QTest::newRow("N/A") << "N/A\n" << 0 << 0 << 0.0;
    QTest::newRow("nothing") << "" << 1 << 0 << 0.0;
    QTest::newRow("not a length") << "nan\n" << 0 << 0 << 0.0;
    // A probe that never answers is given up (and killed) after its time limit.
    QTest::newRow("never answers") << "42\n" << 0 << 60 << 0.0;
}

void MediaToolsTest::durationProbe()
{
    QFETCH(QString, output);
    QFETCH(double, seconds);
    MediaSupport::FakeTool probe;
    probe.output = output;
    QFETCH(int, exitCode);
    QFETCH(int, sleep);
    probe.exitCode = exitCode;
    probe.sleepSeconds = sleep;
    MediaSupport::FakeTools tools;
    QVERIFY(tools.add(QStringLiteral("ffprobe"), probe));
    const QString media = m_dir.filePath(QStringLiteral("some file.flac"));
    QCOMPARE(MediaTools::probeMediaDurationSeconds(media), seconds);
    QCOMPARE(tools.calls(),
        (QList<QStringList> { { "-v", "error", "-show_entries", "format=duration", "-of",
            "default=noprint_wrappers=1:nokey=1", media } }));
}

void MediaToolsTest::coverSearch_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("COVER.JPEG before folder.jpg")
        << QStringList { "folder.jpg", "COVER.JPEG", "album.flac" } << "COVER.JPEG";
    QTest::newRow("Cover.PNG before cover.jpg")
        << QStringList { "cover.jpg", "Cover.PNG" } << "Cover.PNG";
    QTest::newRow("artwork subfolder")
        << QStringList { "album.flac", "artwork/cover.png" } << "artwork/cover.png";
    QTest::newRow("own folder before Artwork")
        << QStringList { "ARTWORK/cover.png", "Folder.JPG" } << "Folder.JPG";
    QTest::newRow("not deeper than Artwork") << QStringList { "Artwork/scans/cover.png" } << "";
    QTest::newRow("other subfolders are not searched") << QStringList { "Scans/cover.png" } << "";
    QTest::newRow("other names") << QStringList { "front.jpg", "cover.gif", "cover.jpg.bak" } << "";
}

void MediaToolsTest::coverSearch()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    const QString folder = m_dir.filePath(QStringLiteral("covers%1").arg(++m_folders));
    for (const QString &file : files) {
        QVERIFY(QDir(folder).mkpath(QFileInfo(file).path()));
        QVERIFY(MediaSupport::writeFile(folder + QLatin1Char('/') + file, "x"));
    }
    QCOMPARE(MediaTools::findCoverFile(folder),
        expected.isEmpty() ? QString() : folder + QLatin1Char('/') + expected);
    QVERIFY(MediaTools::findCoverFile(folder + QStringLiteral("/missing")).isEmpty());
    QVERIFY(MediaTools::findCoverFile(QString()).isEmpty());
}

void MediaToolsTest::extractNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("audio only") << "audio";
    QTest::newRow("no file") << "missing";
    QTest::newRow("tools absent") << "absent";
}

void MediaToolsTest::extractNothing()
{
    QFETCH(QString, kind);
    QString media = m_dir.filePath(QStringLiteral("nothing-%1.mkv").arg(kind));
    if (kind == QLatin1String("audio"))
        QVERIFY(TestSupport::makeTone(media, 440, 0.5));
    std::unique_ptr<MediaSupport::FakeTools> none;
    if (kind == QLatin1String("absent")) {
        QVERIFY(MediaSupport::makeFlacWithPicture(media, QStringLiteral("blue"), 0.5));
        none = std::make_unique<MediaSupport::FakeTools>();
    }
    QCOMPARE(MediaTools::extractEmbeddedCover(media), QString());
}

void MediaToolsTest::extractArguments()
{
    // Streams: audio, a real video, then the attached picture: the picture is video stream 1.
    MediaSupport::FakeTool probe;
    probe.output =
        QStringLiteral(R"({"streams":[{"index":0,"codec_type":"audio"},)"
                       R"({"index":1,"codec_type":"video","disposition":{"attached_pic":0}},)"
                       R"({"index":2,"codec_type":"video","disposition":{"attached_pic":1}}]})");
    MediaSupport::FakeTool ffmpeg;
    ffmpeg.writeLastArgument = "PNG";
    MediaSupport::FakeTools tools;
    QVERIFY(
        tools.add(QStringLiteral("ffprobe"), probe) && tools.add(QStringLiteral("ffmpeg"), ffmpeg));
    const QString media = m_dir.filePath(QStringLiteral("args.flac"));
    const QString png = MediaTools::extractEmbeddedCover(media);
    QCOMPARE(QFileInfo(png).fileName(), QStringLiteral("args.embedded_cover.png"));
    QCOMPARE(MediaSupport::readFile(png), QByteArray("PNG"));

    const QList<QStringList> calls = tools.calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(1).mid(0, 7),
        (QStringList { "-y", "-i", media, "-map", "0:v:1", "-frames:v", "1" }));
    QCOMPARE(calls.at(1).size(), 8);
    QVERIFY(calls.at(1).at(7).endsWith(QStringLiteral(".png")));

    // Listings that name no attached picture give nothing and run no ffmpeg.
    const QStringList listings {
        QStringLiteral("not json"),
        QStringLiteral("[1,2]"),
        QStringLiteral(
            R"({"streams":[{"codec_type":"video","disposition":{"attached_pic":"1"}}]})"),
        QStringLiteral(R"({"streams":[{"codec_type":"audio","disposition":{"attached_pic":1}}]})"),
    };
    for (const QString &listing : listings) {
        tools.clearCalls();
        probe.output = listing;
        QVERIFY(tools.add(QStringLiteral("ffprobe"), probe));
        QVERIFY2(MediaTools::extractEmbeddedCover(media).isEmpty(), qPrintable(listing));
        QCOMPARE(tools.calls().size(), 1);
    }
}

void MediaToolsTest::sameBaseNameAtOnce()
{
    // Two albums both called CDImage.flac, extracted at the same time and over again.
    const QString red = m_dir.filePath(QStringLiteral("albumA/CDImage.flac"));
    const QString blue = m_dir.filePath(QStringLiteral("albumB/CDImage.flac"));
    QDir().mkpath(QFileInfo(red).path());
    QDir().mkpath(QFileInfo(blue).path());
    QVERIFY(MediaSupport::makeFlacWithPicture(red, QStringLiteral("red"), 0.5));
    QVERIFY(MediaSupport::makeFlacWithPicture(blue, QStringLiteral("blue"), 0.5));

    std::vector<std::future<QString>> reds;
    std::vector<std::future<QString>> blues;
    for (int i = 0; i < 3; ++i) {
        // Each caller reads its answer right away, as the playing view does.
        reds.push_back(std::async(
            std::launch::async, [red] { return colour(MediaTools::extractEmbeddedCover(red)); }));
        blues.push_back(std::async(
            std::launch::async, [blue] { return colour(MediaTools::extractEmbeddedCover(blue)); }));
    }
    for (std::future<QString> &f : reds)
        QCOMPARE(f.get(), QStringLiteral("red"));
    for (std::future<QString> &f : blues)
        QCOMPARE(f.get(), QStringLiteral("blue"));
    QVERIFY(MediaTools::extractEmbeddedCover(red) != MediaTools::extractEmbeddedCover(blue));
}

void MediaToolsTest::lookupOrder()
{
    const QString folder = m_dir.filePath(QStringLiteral("lookup"));
    QDir().mkpath(folder);
    const QString flac = folder + QStringLiteral("/Live: Set?.flac");
    QVERIFY(MediaSupport::makeFlacWithPicture(flac, QStringLiteral("lime"), 0.5));
    const QString sheet = folder + QStringLiteral("/album.cue");
    QVERIFY(MediaSupport::writeFile(sheet, "FILE \"album.flac\" WAVE\n"));

    // Without a cover file: the embedded picture of the file, cached under a safe name with no
    // scratch files left; a sheet has none.
    const QString png = MediaTools::lookupCover(folder, flac);
    QCOMPARE(colour(png), QStringLiteral("lime"));
    QVERIFY(png.startsWith(MediaTools::coverCacheFolder() + QLatin1Char('/')));
    QCOMPARE(QDir(QFileInfo(png).path()).entryList(QDir::Files),
        QStringList { QStringLiteral("Live_ Set_.embedded_cover.png") });
    QCOMPARE(MediaTools::lookupCover(folder, sheet), QString());
    QCOMPARE(MediaTools::lookupCover(folder, folder), QString());
    // A cover file in the folder wins over the embedded picture.
    QVERIFY(MediaSupport::writeFile(folder + QStringLiteral("/folder.jpg"), "x"));
    QCOMPARE(MediaTools::lookupCover(folder, flac), folder + QStringLiteral("/folder.jpg"));
}

QTEST_MAIN(MediaToolsTest)
#include "tst_mediatools.moc"
