#include "audio/apedecoder.h"
#include "support/audiosupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The fake libraries (tests/audio/fakemac.c) decode a "file" line "FAKEAPE rate channels bits
// blocks" to a ramp: sample c of block b holds the low bits of b * channels + c.

namespace {

const QString kSecondNames = QStringLiteral(FAKEMAC_second);
const QString kFirstNames = QStringLiteral(FAKEMAC_first);
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

} // namespace

class TestApeDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { ApeDecoder::setLibraryPath({}); }
    void readsAndSeeks_data();
    void readsAndSeeks();
    void refusesToOpen_data();
    void refusesToOpen();

private:
    QString fakeFile(const QByteArray &content) const
    {
        const QString path = m_dir.filePath(QString::number(qHash(content)) + ".ape");
        return AudioSupport::writeFile(path, content) ? path : QString();
    }
    QString fakeFile(int rate, int channels, int bits, qint64 blocks) const
    {
        return fakeFile(QStringLiteral("FAKEAPE %1 %2 %3 %4\n")
                            .arg(rate)
                            .arg(channels)
                            .arg(bits)
                            .arg(blocks)
                            .toLatin1());
    }

    QTemporaryDir m_dir;
};

void TestApeDecoder::readsAndSeeks_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("blocks");
    QTest::addColumn<qint64>("chunk");
    QTest::addColumn<qint64>("seekMs");
    const auto row = [](const char *name, const QString &library, int rate, int channels, int bits,
                         qint64 blocks, qint64 chunk, qint64 seekMs) {
        QTest::newRow(name) << library << rate << channels << bits << blocks << chunk << seekMs;
    };
    row("second names, 16-bit stereo, 64 KiB reads", kSecondNames, 44100, 2, 16, 88200, 65536,
        1500);
    row("first names, 24-bit mono 48 kHz, 1000-byte reads", kFirstNames, 48000, 1, 24, 4800001,
        1000, 90000);
    row("32-bit mono, reads shorter than a block", kSecondNames, 8000, 1, 32, 300, 3, 0);
    row("16-bit six channels, 7-byte reads", kSecondNames, 8000, 6, 16, 20000, 7, 1234);
}

// After a partial read and refused seeks, from the seek's block to the end in reads of any
// size; after the end a seek to 0 delivers it all.
void TestApeDecoder::readsAndSeeks()
{
    QFETCH(QString, library);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(qint64, blocks);
    QFETCH(qint64, chunk);
    QFETCH(qint64, seekMs);

    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(decoder.open(fakeFile(rate, channels, bits, blocks)));
    QCOMPARE(decoder.sampleRate(), rate);
    QCOMPARE(decoder.channelCount(), channels);
    QCOMPARE(decoder.sampleSize(), bits);
    QCOMPARE(decoder.durationMs(), blocks * 1000 / rate);
    QByteArray first(int(chunk), Qt::Uninitialized);
    QVERIFY(decoder.read(first.data(), chunk) > 0);
    QVERIFY(!decoder.seek(-1));
    QVERIFY(!decoder.seek(blocks * 1000 / rate + 1000)); // refused by the library
    QVERIFY(decoder.seek(seekMs));
    QCOMPARE(decoder.positionMs(), seekMs);
    const qint64 block = seekMs * rate / 1000;
    QVERIFY(AudioSupport::readAll(&decoder, chunk) == ramp(block, blocks - block, channels, bits));
    QCOMPARE(decoder.positionMs(), blocks * 1000 / rate);
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(decoder.seek(0));
    QVERIFY(AudioSupport::readAll(&decoder, chunk) == ramp(0, blocks, channels, bits));
}

void TestApeDecoder::refusesToOpen_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all

    const QByteArray valid = "FAKEAPE 8000 2 16 100\n";
    QTest::newRow("library missing")
        << m_dir.filePath(QStringLiteral("nowhere/libMAC.so")) << valid;
    QTest::newRow("library without get data") << kNoData << valid;
    QTest::newRow("file missing") << kSecondNames << QByteArray();
    QTest::newRow("file rejected by the library") << kSecondNames << QByteArray("RIFF....WAVE");
    QTest::newRow("handle with an error code") << kSecondNames << QByteArray("FAKEAPE-ERROR\n");
    QTest::newRow("8-bit samples") << kSecondNames << QByteArray("FAKEAPE 8000 2 8 100\n");
    QTest::newRow("no channels") << kSecondNames << QByteArray("FAKEAPE 8000 0 16 100\n");
}

void TestApeDecoder::refusesToOpen()
{
    QFETCH(QString, library);
    QFETCH(QByteArray, content);
    ApeDecoder::setLibraryPath(library);
    ApeDecoder decoder;
    QVERIFY(!decoder.open(content.isEmpty() ? m_dir.filePath("missing.ape") : fakeFile(content)));
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(!decoder.seek(0));
    QCOMPARE(decoder.durationMs(), qint64(0));
}

QTEST_GUILESS_MAIN(TestApeDecoder)
#include "tst_apedecoder.moc"
