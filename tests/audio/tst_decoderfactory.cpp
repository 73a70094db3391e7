#include "audio/apedecoder.h"
#include "audio/decoderfactory.h"
#include "audio/iaudiodecoder.h"
#include "audio/libraryset.h"
#include "support/audiosupport.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using Kind = DecoderFactory::Kind;
Q_DECLARE_METATYPE(DecoderFactory::Kind)

class TestDecoderFactory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void fallbackOrder_data();
    void fallbackOrder();
    void negotiationLadder_data();
    void negotiationLadder();
    void missingLibrariesNamed();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const
    {
        return AudioSupport::writeFile(file(name), bytes);
    }

    QTemporaryDir m_dir;
};

void TestDecoderFactory::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString tone = "sine=frequency=440:sample_rate=48000:duration=1";
    QVERIFY(TestSupport::makeAudio(file("Album.FLAC"), tone, { "-ac", "2", "-c:a", "flac" }));
    QVERIFY(TestSupport::makeAudio(file("tone.mp4"), tone, { "-ac", "2", "-c:a", "aac" }));
    QVERIFY(TestSupport::makeFifo(file("fifo.flac")));
    QVERIFY(QDir(m_dir.path()).mkdir("v1.flac"));
    for (const char *name : { "bad.flac", "bad.mp4", "bad.APE", "bad.flac.bak", "v1.flac/album" })
        QVERIFY(write(name, "not audio at all\n"));
    QVERIFY(write("empty.mp4", ""));
    QVERIFY(TestSupport::makeAudio(file("video.mka"), "testsrc=size=64x48:rate=10:duration=1",
        { "-c:v", "mpeg4", "-f", "matroska" }));
    // Files only the Monkey's Audio stand-in library takes.
    for (const char *name : { "monkey.ape", "monkey.mp4" })
        QVERIFY(write(name, "FAKEAPE 44100 2 16 44100\n"));
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
}

void TestDecoderFactory::cleanup()
{
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
}

void TestDecoderFactory::fallbackOrder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<Kind>>("tried");
    QTest::addColumn<QString>("opened");
    const QVector<Kind> ffmpegFirst { Kind::FFmpeg, Kind::Ape, Kind::Wmf };
    const QVector<Kind> platformFirst { Kind::Wmf, Kind::Ape, Kind::Wmf };
    QTest::newRow("flac, upper-case suffix")
        << "Album.FLAC" << QVector<Kind> { Kind::FFmpeg } << "FFmpegDecoder";
    QTest::newRow("mp4 by the platform framework")
        << "tone.mp4" << QVector<Kind> { Kind::Wmf } << "WmfDecoder";
    QTest::newRow("ape FFmpeg cannot open")
        << "monkey.ape" << ffmpegFirst.mid(0, 2) << "ApeDecoder";
    QTest::newRow("monkey's audio named mp4")
        << "monkey.mp4" << platformFirst.mid(0, 2) << "ApeDecoder";
    QTest::newRow("nothing opens a bad flac") << "bad.flac" << ffmpegFirst << "";
    QTest::newRow("platform framework tried twice") << "bad.mp4" << platformFirst << "";
    QTest::newRow("empty file") << "empty.mp4" << platformFirst << "";
    QTest::newRow("video without audio") << "video.mka" << ffmpegFirst << "";
    QTest::newRow("upper-case suffix of FFmpeg's") << "bad.APE" << ffmpegFirst << "";
    QTest::newRow("the last suffix counts") << "bad.flac.bak" << platformFirst << "";
    QTest::newRow("a dot in the folder only") << "v1.flac/album" << platformFirst << "";
    QTest::newRow("FIFO: never opened") << "fifo.flac" << QVector<Kind>() << "";
}

void TestDecoderFactory::fallbackOrder()
{
    QFETCH(QString, name);
    QFETCH(QVector<Kind>, tried);
    QFETCH(QString, opened);
    QObject parent;
    QVector<Kind> attempts;
    std::unique_ptr<IAudioDecoder> decoder(
        DecoderFactory::openDecoder(file(name), &parent, &attempts));
    QCOMPARE(attempts, tried);
    auto *object = dynamic_cast<QObject *>(decoder.get());
    QCOMPARE(QString::fromLatin1(object ? object->metaObject()->className() : ""), opened);
    // The candidates that failed are gone; the chosen one is the parent's only child.
    QCOMPARE(parent.children().size(), decoder ? 1 : 0);
    if (decoder)
        QVERIFY(decoder->sampleRate() > 0);
}

void TestDecoderFactory::negotiationLadder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<int>>("accepted"); // sample sizes, 0 for float
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("type");

    QTest::newRow("float taken") << "Album.FLAC" << QVector<int> { 0, 32, 24, 16 } << 32 << 3;
    QTest::newRow("32-bit signed") << "Album.FLAC" << QVector<int> { 32, 16 } << 32 << 1;
    QTest::newRow("24-bit signed") << "Album.FLAC" << QVector<int> { 24, 16 } << 24 << 1;
    QTest::newRow("16-bit signed") << "Album.FLAC" << QVector<int> { 16 } << 16 << 1;
    QTest::newRow("nearest format") << "Album.FLAC" << QVector<int> {} << 16 << 1;
    // The platform decoders cannot be configured: they keep their layout, the device converts.
    QTest::newRow("platform decoder keeps 16 bits")
        << "monkey.ape" << QVector<int> { 0 } << 32 << 3;
}

void TestDecoderFactory::negotiationLadder()
{
    QFETCH(QString, name);
    QFETCH(QVector<int>, accepted);
    QFETCH(int, size);
    QFETCH(int, type);

    QObject parent;
    std::unique_ptr<IAudioDecoder> decoder(DecoderFactory::openDecoder(file(name), &parent));
    QVERIFY(decoder);
    QCOMPARE(decoder->sampleType(), 1);
    QVector<QAudioFormat> asked;
    const auto supported = [&](const QAudioFormat &f) {
        asked << f;
        return accepted.contains(f.sampleType() == QAudioFormat::Float ? 0 : f.sampleSize());
    };
    // The device's nearest to 16-bit signed at the file's rate and channel count.
    const auto nearest = [](const QAudioFormat &f) { return f; };
    const QAudioFormat format = DecoderFactory::negotiateFormat(decoder.get(), supported, nearest);

    QCOMPARE(format.sampleSize(), size);
    QCOMPARE(int(format.sampleType()), type);
    QCOMPARE(format.sampleRate(), decoder->sampleRate());
    QCOMPARE(format.channelCount(), 2);
    QVERIFY(asked.size() <= 4);
    QCOMPARE(asked.first().sampleType(), QAudioFormat::Float);
    // The FFmpeg decoder now delivers exactly that; the others what they did.
    const bool ffmpeg = name.endsWith(QLatin1String(".FLAC"));
    QCOMPARE(decoder->sampleSize(), ffmpeg ? size : 16);
    QCOMPARE(decoder->sampleType(), ffmpeg ? type : 1);
    char buffer[16];
    QVERIFY(decoder->read(buffer, sizeof buffer) > 0);
}

// A decoder whose libraries are missing refuses; the warning must say which library or function.
void TestDecoderFactory::missingLibrariesNamed()
{
#ifdef Q_OS_WIN
    const QString system = QStringLiteral("kernel32");
    const char *present = "GetTickCount";
#else
    const QString system = QStringLiteral("libc.so.6");
    const char *present = "abort";
#endif
    LibrarySet missing({ system, QStringLiteral("libquellin-none.so.1") });
    QVERIFY(!missing.isLoaded());
    QVERIFY2(missing.problem().contains(QLatin1String("libquellin-none.so.1")),
        qPrintable(missing.problem()));

    LibrarySet loaded({ system });
    QVERIFY(loaded.isLoaded());
    void (*function)() = nullptr;
    QVERIFY(loaded.resolve(function, present));
    QVERIFY(loaded.problem().isEmpty());
    QVERIFY(!loaded.resolve(function, "quellin_none"));
    QVERIFY(!function);
    QVERIFY(loaded.problem().contains(QLatin1String("quellin_none")));
}

QTEST_GUILESS_MAIN(TestDecoderFactory)
#include "tst_decoderfactory.moc"
