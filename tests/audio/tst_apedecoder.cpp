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
    for (qint64 b = firstBlock; b < firstBlock + blocks; ++b) {
        for (int c = 0; c < channels; ++c) {
            const quint64 value = quint64(b) * quint64(channels) + quint64(c);
            for (int k = 0; k < bits / 8; ++k)
                out.append(char((value >> (8 * k)) & 0xff));
        }
    }
    return out;
}

// The fake's counters, read through the same loaded instance the decoder uses.
class FakeLibrary
{
public:
    explicit FakeLibrary(const QString &path)
        : m_library(path)
    {
        m_library.load();
    }
    int dataCalls() { return call("fakemac_data_calls"); }
    int lastBlocksWanted() { return call("fakemac_last_blocks_wanted"); }
    int lastSeek() { return call("fakemac_last_seek"); }
    int live() { return call("fakemac_live"); }

private:
    int call(const char *name)
    {
        auto function = reinterpret_cast<int (*)()>(m_library.resolve(name));
        return function ? function() : -1;
    }
    QLibrary m_library;
};

} // namespace

class TestApeDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void opensWithEitherNameSet_data();
    void opensWithEitherNameSet();
    void readsRamp_data();
    void readsRamp();
    void keepsPartialBlockPending();
    void blocksPerRead_data();
    void blocksPerRead();
    void seeks_data();
    void seeks();
    void failedSeekKeepsState_data();
    void failedSeekKeepsState();
    void refusesToOpen_data();
    void refusesToOpen();
    void closeReleasesDecompressor();
    void findsLibraryBySystemSearch();

private:
    QString fakeFile(int rate, int channels, int bits, qint64 blocks);
    QString writeFile(const QString &name, const QByteArray &content);

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

QString TestApeDecoder::fakeFile(int rate, int channels, int bits, qint64 blocks)
{
    const QString line =
        QStringLiteral("FAKEAPE %1 %2 %3 %4\n").arg(rate).arg(channels).arg(bits).arg(blocks);
    return writeFile(
        QStringLiteral("%1-%2-%3-%4.ape").arg(rate).arg(channels).arg(bits).arg(blocks),
        line.toLatin1());
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

void TestApeDecoder::opensWithEitherNameSet_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("blocks");
    QTest::addColumn<qint64>("durationMs");

    QTest::newRow("second names, 44.1 kHz 16-bit stereo")
        << kSecondNames << 44100 << 2 << 16 << qint64(10584000) << qint64(240000);
    QTest::newRow("first names, 48 kHz 24-bit mono")
        << kFirstNames << 48000 << 1 << 24 << qint64(4800001) << qint64(100000);
    QTest::newRow("no seek function, 96 kHz 32-bit")
        << kNoSeek << 96000 << 2 << 32 << qint64(48000) << qint64(500);
}

void TestApeDecoder::opensWithEitherNameSet()
{
    QFETCH(QString, library);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(qint64, blocks);
    QFETCH(qint64, durationMs);

    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(rate, channels, bits, blocks)));
    QCOMPARE(decoder.sampleRate(), rate);
    QCOMPARE(decoder.channelCount(), channels);
    QCOMPARE(decoder.sampleSize(), bits);
    QCOMPARE(decoder.sampleType(), 1);
    QCOMPARE(decoder.durationMs(), durationMs);
    QCOMPARE(decoder.positionMs(), qint64(0));

    // The engine finds the decoder through the interface by name.
    QObject parent;
    QObject *object = new ApeDecoder(&parent);
    QVERIFY(qobject_cast<IAudioDecoder *>(object));
    QVERIFY(object->qt_metacast("IAudioDecoder"));
}

void TestApeDecoder::readsRamp_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("blocks");
    QTest::addColumn<qint64>("chunk");

    QTest::newRow("16-bit stereo, 64 KiB reads")
        << kSecondNames << 2 << 16 << qint64(20000) << qint64(65536);
    QTest::newRow("24-bit stereo, reads of 166 blocks and 4 bytes")
        << kFirstNames << 2 << 24 << qint64(5000) << qint64(1000);
    QTest::newRow("32-bit mono, reads shorter than a block")
        << kSecondNames << 1 << 32 << qint64(300) << qint64(3);
    QTest::newRow("16-bit six channels, 7-byte reads")
        << kSecondNames << 6 << 16 << qint64(100) << qint64(7);
}

void TestApeDecoder::readsRamp()
{
    QFETCH(QString, library);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(qint64, blocks);
    QFETCH(qint64, chunk);

    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(8000, channels, bits, blocks)));
    const QByteArray all = AudioSupport::readAll(&decoder, chunk);
    QCOMPARE(all.size(), int(blocks * channels * bits / 8));
    QVERIFY(all == ramp(0, blocks, channels, bits));
    QCOMPARE(decoder.positionMs(), blocks * 1000 / 8000);
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QCOMPARE(decoder.read(bytes, 0), qint64(0));
    // After the end a seek makes it deliver again.
    QVERIFY(decoder.seek(0));
    QCOMPARE(AudioSupport::readAll(&decoder, chunk), all);
}

void TestApeDecoder::keepsPartialBlockPending()
{
    ApeDecoder::setLibraryPath(kSecondNames);
    FakeLibrary fake(kSecondNames);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(8000, 2, 16, 100)));
    const int callsBefore = fake.dataCalls();
    char bytes[8];
    QCOMPARE(decoder.read(bytes, 3), qint64(3));
    QCOMPARE(fake.lastBlocksWanted(), 1);
    QCOMPARE(fake.dataCalls(), callsBefore + 1);
    // The fourth byte of the block comes from what is pending, without decoding.
    QCOMPARE(decoder.read(bytes + 3, 3), qint64(1));
    QCOMPARE(fake.dataCalls(), callsBefore + 1);
    QCOMPARE(QByteArray(bytes, 4), ramp(0, 1, 2, 16));
    QCOMPARE(decoder.read(bytes, 8), qint64(8));
    QCOMPARE(QByteArray(bytes, 8), ramp(1, 2, 2, 16));
}

void TestApeDecoder::blocksPerRead_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<int>("wanted");

    QTest::newRow("16-bit stereo, 64 KiB") << 2 << 16 << qint64(65536) << 16384;
    QTest::newRow("24-bit stereo, 64 KiB") << 2 << 24 << qint64(65536) << 10922;
    QTest::newRow("16-bit stereo, 3 bytes") << 2 << 16 << qint64(3) << 1;
    QTest::newRow("a gigabyte asks for no more than 65536 blocks")
        << 1 << 16 << (qint64(1) << 30) << 65536;
}

void TestApeDecoder::blocksPerRead()
{
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(qint64, max);
    QFETCH(int, wanted);

    ApeDecoder::setLibraryPath(kSecondNames);
    FakeLibrary fake(kSecondNames);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(44100, channels, bits, 441000)));
    QByteArray buffer(int(qMin<qint64>(max, 1 << 20)), Qt::Uninitialized);
    const qint64 got = decoder.read(buffer.data(), max);
    QCOMPARE(fake.lastBlocksWanted(), wanted);
    QCOMPARE(got, qMin<qint64>(max, qint64(wanted) * channels * bits / 8));
}

void TestApeDecoder::seeks_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("rate");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("block");

    QTest::newRow("90 s at 48 kHz") << kSecondNames << 48000 << qint64(90000) << 4320000;
    QTest::newRow("1234 ms at 8 kHz, first names") << kFirstNames << 8000 << qint64(1234) << 9872;
    QTest::newRow("back to the start") << kSecondNames << 44100 << qint64(0) << 0;
}

void TestApeDecoder::seeks()
{
    QFETCH(QString, library);
    QFETCH(int, rate);
    QFETCH(qint64, ms);
    QFETCH(int, block);

    ApeDecoder::setLibraryPath(library);
    FakeLibrary fake(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(rate, 2, 16, qint64(rate) * 100)));
    char bytes[16];
    QCOMPARE(decoder.read(bytes, 3), qint64(3)); // leaves a byte pending, which the seek drops
    QVERIFY(decoder.seek(ms));
    QCOMPARE(fake.lastSeek(), block);
    QCOMPARE(decoder.positionMs(), ms);
    QCOMPARE(decoder.read(bytes, 16), qint64(16));
    QCOMPARE(QByteArray(bytes, 16), ramp(block, 4, 2, 16));
}

void TestApeDecoder::failedSeekKeepsState_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<qint64>("ms");

    QTest::newRow("library without a seek function") << kNoSeek << qint64(500);
    QTest::newRow("past the end, refused by the library") << kSecondNames << qint64(60000);
    QTest::newRow("negative") << kSecondNames << qint64(-1);
}

void TestApeDecoder::failedSeekKeepsState()
{
    QFETCH(QString, library);
    QFETCH(qint64, ms);

    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(8000, 2, 16, 8000)));
    QByteArray buffer(4000 * 4, Qt::Uninitialized);
    QCOMPARE(decoder.read(buffer.data(), 4000 * 4 - 1), qint64(3999 * 4));
    QCOMPARE(decoder.positionMs(), qint64(499));
    QVERIFY(!decoder.seek(ms));
    QCOMPARE(decoder.positionMs(), qint64(499));
    // Playback goes on where it was.
    QCOMPARE(decoder.read(buffer.data(), 8), qint64(8));
    QCOMPARE(buffer.left(8), ramp(3999, 2, 2, 16));
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
    const QString path = content.isEmpty() ? m_dir.filePath(QStringLiteral("missing.ape"))
                                           : writeFile(QStringLiteral("refused.ape"), content);
    ApeDecoder decoder;
    QVERIFY(!decoder.open(path));
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(!decoder.seek(0));
    QCOMPARE(decoder.durationMs(), qint64(0));
}

void TestApeDecoder::closeReleasesDecompressor()
{
    ApeDecoder::setLibraryPath(kSecondNames);
    FakeLibrary fake(kSecondNames);
    const int before = fake.live();
    const QString file = fakeFile(8000, 2, 16, 100);
    {
        ApeDecoder decoder;
        QVERIFY(decoder.open(file));
        QVERIFY(decoder.open(file)); // reopening releases the first one
        QCOMPARE(fake.live(), before + 1);
        decoder.close();
        decoder.close();
        QCOMPARE(fake.live(), before);
        char bytes[4];
        QCOMPARE(decoder.read(bytes, 4), qint64(0));
        QCOMPARE(decoder.sampleRate(), 0);
        QCOMPARE(decoder.sampleSize(), 16);
        QVERIFY(decoder.open(file));
        QCOMPARE(fake.live(), before + 1);
    }
    QCOMPARE(fake.live(), before);
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
