#include "media/mediatools.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QImage>
#include <QtTest>
#include <future>

class MediaToolsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void durationProbe_data();
    void durationProbe();
    void coverSearch_data();
    void coverSearch();
    void extractArguments();
    void embeddedCovers();

private:
    QTemporaryDir m_dir;
    int m_folders = 0;
};

namespace {
// The picture's middle as "red green blue", each channel 0 or 1: pictures pass through YUV on
// their way in, so the channels are only near 0 and 255.
QString colour(const QString &png)
{
    const QRgb p = QImage(png).pixel(16, 16);
    return QStringLiteral("%1 %2 %3").arg(qRed(p) / 128).arg(qGreen(p) / 128).arg(qBlue(p) / 128);
}
} // namespace

void MediaToolsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Extracted covers go to a cache folder of our own.
    qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("cache")).toUtf8());
    QVERIFY(MediaTools::coverCacheFolder().startsWith(m_dir.filePath(QStringLiteral("cache"))));
}

void MediaToolsTest::durationProbe_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("sleep");
    QTest::addColumn<double>("seconds");
    QTest::newRow("number") << "245.973333\n" << 0 << 245.973333;
    QTest::newRow("N/A") << "N/A\n" << 0 << 0.0;
    QTest::newRow("not a length") << "nan\n" << 0 << 0.0;
    // A probe that never answers is given up (and killed) after its time limit.
    QTest::newRow("never answers") << "42\n" << 60 << 0.0;
}

void MediaToolsTest::durationProbe()
{
    QFETCH(QString, output);
    QFETCH(int, sleep);
    MediaSupport::FakeTool probe;
    probe.output = output;
    probe.sleepSeconds = sleep;
    MediaSupport::FakeTools tools;
    QVERIFY(tools.add(QStringLiteral("ffprobe"), probe));
    const QString media = m_dir.filePath(QStringLiteral("some file.flac"));
    QTEST(MediaTools::probeMediaDurationSeconds(media), "seconds");
    QCOMPARE(tools.calls(),
        (QList<QStringList> { { "-v", "error", "-show_entries", "format=duration", "-of",
            "default=noprint_wrappers=1:nokey=1", media } }));
}

void MediaToolsTest::coverSearch_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Cover.PNG before COVER.JPEG before folder.jpg")
        << QStringList { "folder.jpg", "COVER.JPEG", "Cover.PNG", "album.flac" } << "Cover.PNG";
    QTest::newRow("own folder before Artwork")
        << QStringList { "ARTWORK/cover.png", "Folder.JPG" } << "Folder.JPG";
    QTest::newRow("artwork subfolder")
        << QStringList { "artwork/cover.png" } << "artwork/cover.png";
    QTest::newRow("no deeper, no other folders, no other names")
        << QStringList { "Artwork/scans/cover.png", "Scans/cover.png", "front.jpg", "cover.gif" }
        << "";
}

void MediaToolsTest::coverSearch()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    const QString folder = m_dir.filePath(QStringLiteral("covers%1").arg(++m_folders));
    for (const QString &file : files)
        QVERIFY(MediaSupport::writeFile(folder + QLatin1Char('/') + file, "x"));
    QCOMPARE(MediaTools::findCoverFile(folder),
        expected.isEmpty() ? QString() : folder + QLatin1Char('/') + expected);
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
    QCOMPARE(MediaSupport::readFile(MediaTools::extractEmbeddedCover(media)), QByteArray("PNG"));
    const QList<QStringList> calls = tools.calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(1).mid(0, 7),
        (QStringList { "-y", "-i", media, "-map", "0:v:1", "-frames:v", "1" }));

    // Listings that name no attached picture give nothing and run no ffmpeg.
    for (const char *listing :
        { "not json", R"({"streams":[{"codec_type":"video","disposition":{"attached_pic":"1"}}]})",
            R"({"streams":[{"codec_type":"audio","disposition":{"attached_pic":1}}]})" }) {
        tools.clearCalls();
        probe.output = QString::fromLatin1(listing);
        QVERIFY(tools.add(QStringLiteral("ffprobe"), probe));
        QVERIFY(MediaTools::extractEmbeddedCover(media).isEmpty());
        QCOMPARE(tools.calls().size(), 1);
    }
}

// Two albums both called "Live: Set?.flac", extracted at the same time: each gets its own
// picture, cached under a safe name with no scratch files left. A cover file in the folder
// wins; a sheet has no picture.
void MediaToolsTest::embeddedCovers()
{
    const QString red = m_dir.filePath(QStringLiteral("albumA/Live: Set?.flac"));
    const QString blue = m_dir.filePath(QStringLiteral("albumB/Live: Set?.flac"));
    QVERIFY(QDir().mkpath(QFileInfo(red).path()) && QDir().mkpath(QFileInfo(blue).path()));
    QVERIFY(MediaSupport::makeFlacWithPicture(red, QStringLiteral("red"), 0.5));
    QVERIFY(MediaSupport::makeFlacWithPicture(blue, QStringLiteral("blue"), 0.5));
    std::vector<std::future<QString>> colours;
    for (int i = 0; i < 6; ++i)
        colours.push_back(std::async(std::launch::async, [file = i % 2 ? blue : red] {
            return colour(MediaTools::extractEmbeddedCover(file));
        }));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(colours[i].get(), QString(i % 2 ? "0 0 1" : "1 0 0"));

    const QString folder = QFileInfo(red).path();
    const QString png = MediaTools::lookupCover(folder, red);
    QVERIFY(png.startsWith(MediaTools::coverCacheFolder() + QLatin1Char('/')));
    QCOMPARE(QDir(QFileInfo(png).path()).entryList(QDir::Files),
        QStringList { QStringLiteral("Live_ Set_.embedded_cover.png") });
    QVERIFY(MediaSupport::writeFile(folder + QStringLiteral("/folder.jpg"), "x"));
    QCOMPARE(MediaTools::lookupCover(folder, red), folder + QStringLiteral("/folder.jpg"));
}

QTEST_MAIN(MediaToolsTest)
#include "tst_mediatools.moc"
