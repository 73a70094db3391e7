#include "audio/apedecoder.h"
#include "support/audiosupport.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QtTest>

// The fake libraries (tests/audio/fakemac.c) decode a "file" line "FAKEAPE rate channels bits
// blocks" to a ramp: sample c of block b holds the low bits of b * channels + c.

namespace {

const QString kSecondNames = QStringLiteral(FAKEMAC_second);
const QString kFirstNames = QStringLiteral(FAKEMAC_first);
const QString kNoSeek = QStringLiteral(FAKEMAC_noseek);
const QString kNoData = QStringLiteral(FAKEMAC_nodata);

QByteArray ramp(qint64 firstBlock, qint64 blocks, int channels, int bits)
{
    QByteArray out;
    out.reserve(int(blocks * channels * bits / 8));
    for (quint64 v = quint64(firstBlock * channels); v < quint64((firstBlock + blocks) * channels);
         ++v) {
        for (int k = 0; k < bits / 8; ++k)
            out.append(char((v >> (8 * k)) & 0xff));
    }
    return out;
}

// One of the fake's counters, read through the same loaded instance the decoder uses.
int fakeCounter(const QString &library, const char *name)
{
    QLibrary loaded(library);
    auto function = reinterpret_cast<int (*)()>(loaded.resolve(name));
    return function ? function() : -1;
}

} // namespace

class TestApeDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void readsRamp_data();
    void readsRamp();
    void boundedReads();
    void seeks_data();
    void seeks();
    void refusesToOpen_data();
    void refusesToOpen();
    void closeReleasesDecompressor();
    void findsLibraryBySystemSearch();

private:
    QString writeFile(const QString &name, const QByteArray &content);
    QString fakeFile(int rate, int channels, int bits, qint64 blocks)
    {
        return writeFile(
            QStringLiteral("%1-%2-%3-%4.ape").arg(rate).arg(channels).arg(bits).arg(blocks),
            QStringLiteral("FAKEAPE %1 %2 %3 %4\n")
                .arg(rate)
                .arg(channels)
                .arg(bits)
                .arg(blocks)
                .toLatin1());
    }

    QTemporaryDir m_dir;
};

QString TestApeDecoder::writeFile(const QString &name, const QByteArray &content)
{
    QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return path;
}

void TestApeDecoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const QString &library : { kSecondNames, kFirstNames, kNoSeek, kNoData })
        QVERIFY2(QFile::exists(library), qPrintable(library));
}

void TestApeDecoder::cleanup()
{
    ApeDecoder::setLibraryPath({});
}

void TestApeDecoder::readsRamp_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("blocks");
    QTest::addColumn<qint64>("chunk");

    QTest::newRow("second names, 16-bit stereo, 64 KiB reads")
        << kSecondNames << 44100 << 2 << 16 << qint64(20000) << qint64(65536);
    QTest::newRow("first names, 24-bit mono, 100 s, reads of 1000 bytes")
        << kFirstNames << 48000 << 1 << 24 << qint64(4800001) << qint64(1000);
    QTest::newRow("32-bit mono, reads shorter than a block")
        << kSecondNames << 8000 << 1 << 32 << qint64(300) << qint64(3);
    QTest::newRow("16-bit six channels, 7-byte reads")
        << kSecondNames << 8000 << 6 << 16 << qint64(100) << qint64(7);
}

// Reads of any size give the ramp to its end; after the end a seek makes it deliver again.
void TestApeDecoder::readsRamp()
{
    QFETCH(QString, library);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(qint64, blocks);
    QFETCH(qint64, chunk);

    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(rate, channels, bits, blocks)));
    QCOMPARE(decoder.sampleRate(), rate);
    QCOMPARE(decoder.channelCount(), channels);
    QCOMPARE(decoder.sampleSize(), bits);
    QCOMPARE(decoder.sampleType(), 1);
    QCOMPARE(decoder.durationMs(), blocks * 1000 / rate);
    const QByteArray all = AudioSupport::readAll(&decoder, chunk);
    QVERIFY(all == ramp(0, blocks, channels, bits));
    QCOMPARE(decoder.positionMs(), blocks * 1000 / rate);
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(decoder.seek(0));
    QVERIFY(AudioSupport::readAll(&decoder, chunk) == all);
}

// A partial block stays pending, handed out without decoding again; a read asks for at most
// 65536 blocks.
void TestApeDecoder::boundedReads()
{
    ApeDecoder::setLibraryPath(kSecondNames);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(44100, 2, 24, 441000)));
    const int calls = fakeCounter(kSecondNames, "fakemac_data_calls");
    char bytes[12];
    QCOMPARE(decoder.read(bytes, 5), qint64(5));
    QCOMPARE(fakeCounter(kSecondNames, "fakemac_last_blocks_wanted"), 1);
    QCOMPARE(decoder.read(bytes + 5, 7), qint64(1));
    QCOMPARE(fakeCounter(kSecondNames, "fakemac_data_calls"), calls + 1);
    QCOMPARE(QByteArray(bytes, 6), ramp(0, 1, 2, 24));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    QCOMPARE(decoder.read(buffer.data(), qint64(1) << 30), qint64(65536 * 6));
    QCOMPARE(fakeCounter(kSecondNames, "fakemac_last_blocks_wanted"), 65536);
    QCOMPARE(decoder.read(buffer.data(), 65536), qint64(10922 * 6));
    QCOMPARE(fakeCounter(kSecondNames, "fakemac_last_blocks_wanted"), 10922);
}

void TestApeDecoder::seeks_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("rate");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("block"); // -1: refused

    QTest::newRow("90 s at 48 kHz") << kSecondNames << 48000 << qint64(90000) << 4320000;
    QTest::newRow("1234 ms at 8 kHz, first names") << kFirstNames << 8000 << qint64(1234) << 9872;
    QTest::newRow("library without a seek function") << kNoSeek << 8000 << qint64(500) << -1;
    QTest::newRow("past the end, refused by the library")
        << kSecondNames << 8000 << qint64(200000) << -1;
    QTest::newRow("negative") << kSecondNames << 8000 << qint64(-1) << -1;
}

// A seek drops the pending rest of a block and goes on from the block of the ms; a refused one
// changes nothing.
void TestApeDecoder::seeks()
{
    QFETCH(QString, library);
    QFETCH(int, rate);
    QFETCH(qint64, ms);
    QFETCH(int, block);

    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(rate, 2, 16, qint64(rate) * 100)));
    char bytes[16];
    QCOMPARE(decoder.read(bytes, 3), qint64(3));
    QCOMPARE(decoder.seek(ms), block >= 0);
    if (block < 0) {
        QCOMPARE(decoder.positionMs(), qint64(0));
        QCOMPARE(decoder.read(bytes + 3, 13), qint64(1));
        QCOMPARE(QByteArray(bytes, 4), ramp(0, 1, 2, 16));
        return;
    }
    QCOMPARE(fakeCounter(library, "fakemac_last_seek"), block);
    QCOMPARE(decoder.positionMs(), ms);
    QCOMPARE(decoder.read(bytes, 16), qint64(16));
    QCOMPARE(QByteArray(bytes, 16), ramp(block, 4, 2, 16));
}

void TestApeDecoder::refusesToOpen_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all

    const QByteArray valid = "FAKEAPE 8000 2 16 100\n";
    QTest::newRow("library missing")
        << m_dir.filePath(QStringLiteral("nowhere/libMAC.so")) << valid;
    QTest::newRow("library without get data") << kNoData << valid;
    QTest::newRow("not a library") << QStringLiteral(__FILE__) << valid;
    QTest::newRow("file missing") << kSecondNames << QByteArray();
    QTest::newRow("file rejected by the library") << kSecondNames << QByteArray("RIFF....WAVE");
    QTest::newRow("handle with an error code") << kSecondNames << QByteArray("FAKEAPE-ERROR\n");
    QTest::newRow("8-bit samples") << kSecondNames << QByteArray("FAKEAPE 8000 2 8 100\n");
    QTest::newRow("20-bit samples") << kSecondNames << QByteArray("FAKEAPE 8000 2 20 100\n");
    QTest::newRow("no channels") << kSecondNames << QByteArray("FAKEAPE 8000 0 16 100\n");
    QTest::newRow("no sample rate") << kSecondNames << QByteArray("FAKEAPE 0 2 16 100\n");
}

void TestApeDecoder::refusesToOpen()
{
    QFETCH(QString, library);
    QFETCH(QByteArray, content);
    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(!decoder.open(content.isEmpty() ? m_dir.filePath(QStringLiteral("missing.ape"))
                                            : writeFile(QStringLiteral("refused.ape"), content)));
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(!decoder.seek(0));
    QCOMPARE(decoder.durationMs(), qint64(0));
}

void TestApeDecoder::closeReleasesDecompressor()
{
    ApeDecoder::setLibraryPath(kSecondNames);
    const auto live = [] { return fakeCounter(kSecondNames, "fakemac_live"); };
    const int before = live();
    const QString file = fakeFile(8000, 2, 16, 100);
    {
        ApeDecoder decoder;
        QVERIFY(decoder.open(file));
        QVERIFY(decoder.open(file)); // reopening releases the first one
        QCOMPARE(live(), before + 1);
        decoder.close();
        decoder.close();
        QCOMPARE(live(), before);
        char bytes[4];
        QCOMPARE(decoder.read(bytes, 4), qint64(0));
        QCOMPARE(decoder.sampleRate(), 0);
        QVERIFY(decoder.open(file));
    }
    QCOMPARE(live(), before);
}

void TestApeDecoder::findsLibraryBySystemSearch()
{
    const QString dir = QFileInfo(kSecondNames).absolutePath();
    if (!qEnvironmentVariable("LD_LIBRARY_PATH").split(QLatin1Char(':')).contains(dir))
        QSKIP("needs the fake library's folder on LD_LIBRARY_PATH, as CTest sets it");
    QCOMPARE(ApeDecoder::libraryPath(), QStringLiteral("libMAC.so"));
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(8000, 1, 16, 10)));
    QCOMPARE(AudioSupport::readAll(&decoder, 100), ramp(0, 10, 1, 16));
}

QTEST_GUILESS_MAIN(TestApeDecoder)
#include "tst_apedecoder.moc"
