#include "audio/decoderiodevice.h"
#include "audio/ffmpegdecoder.h"
#include "support/audiosupport.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace AudioSupport;

namespace {

bool allZero(const QByteArray &bytes)
{
    return bytes.count('\0') == bytes.size();
}

// Reads until the device hands over something other than silence (empty after 5 s).
QByteArray firstAudio(QIODevice *device, int size)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        const QByteArray chunk = device->read(size);
        if (chunk.size() != size || !allZero(chunk))
            return chunk;
        QThread::yieldCurrentThread();
    }
    return {};
}

} // namespace

class TestDecoderIODevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void endLimit_data();
    void endLimit();
    void seekDropsEverythingBefore();
    void bufferBoundAndClear();
    void levelsFollowWhatIsHandedOver();

private:
    QTemporaryDir m_dir;
    QString m_counter;
    FFmpegDecoder m_decoder; // the 3 s counter, open
};

void TestDecoderIODevice::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_counter = m_dir.filePath(QStringLiteral("c16.flac"));
    QVERIFY(TestSupport::makeAudio(m_counter, counterSource(3.0), flac16()));
}

void TestDecoderIODevice::init()
{
    QVERIFY(m_decoder.open(m_counter));
}

void TestDecoderIODevice::endLimit_data()
{
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("end"); // -1: the stream's end
    QTest::addColumn<int>("chunk"); // frames per read
    QTest::addColumn<bool>("reopen"); // else seek back to play again
    QTest::addColumn<int>("size"); // the output's sample format
    QTest::addColumn<int>("type");
    const auto row = [](const char *name, qint64 first, qint64 end, int chunk, bool reopen,
                         int size, int type) {
        QTest::newRow(name) << first << end << chunk << reopen << size << type;
    };
    row("749 frames, not padded, float", 0, 749, 10000, false, 32, 3);
    row("100 ms to one second, s24", 39690, 44100, 4096, true, 24, 1);
    // CUE starts (1/75 s): adjacent tracks neither gap nor overlap.
    const qint64 cue[] = { 37 * 588, 75 * 588 + 1 * 588, 2 * 44100 + 74 * 588 };
    row("cue 00:00:37 to 00:01:01, s32", cue[0], cue[1], 4096, false, 32, 1);
    row("cue 00:01:01 to 00:02:74", cue[1], cue[2], 4096, true, 16, 1);
    row("to the end of the stream", 110250, -1, 1000, false, 16, 1);
    row("end of the stream, reopened", 131859, -1, 1, true, 16, 1);
}

// The range's frames exactly (16-bit samples in any output format), then silence however much
// is read, and finished; seeking back or reopening plays again.
void TestDecoderIODevice::endLimit()
{
    QFETCH(qint64, first);
    QFETCH(qint64, end);
    QFETCH(int, chunk);
    QFETCH(bool, reopen);
    QFETCH(int, size);
    QFETCH(int, type);
    QCOMPARE(m_decoder.sampleSize(), 16);
    DecoderIODevice device(&m_decoder);
    device.setOutputFormat(size, type);
    QVERIFY(device.seekFrame(first));
    device.setEndFrame(end);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const int frameBytes = 2 * (type == 3 ? 4 : size / 8);
    const qint64 last = end < 0 ? 3 * 44100 : end;
    QByteArray audio;
    QElapsedTimer clock;
    clock.start();
    while (!device.isFinished() && clock.elapsed() < 10000) {
        const QByteArray piece = device.read(chunk * frameBytes);
        if (!allZero(piece))
            audio += piece;
    }
    QVERIFY(device.isFinished());
    const QVector<qint64> values = samplesOf(audio, type, size);
    QCOMPARE(values.size(), int(2 * (last - first)));
    for (int i = 0; i < values.size(); ++i) {
        const qint64 frame = first + i / 2; // a wider format: in its top 16 bits, the rest 0
        const qint64 expected = i % 2 ? counterRight(frame) : counterLeft(frame);
        if (values[i] != expected * (qint64(1) << (size - 16)))
            QFAIL(qPrintable(QStringLiteral("sample %1 of frame %2").arg(i % 2).arg(frame)));
    }
    const QByteArray silence = device.read(100000);
    QVERIFY(silence.size() == 100000 && allZero(silence));
    QCOMPARE(device.playedFrame(), last);
    QVERIFY(device.isFinished());

    if (reopen)
        device.close();
    QVERIFY(device.seekFrame(0));
    QVERIFY(!device.isFinished());
    QVERIFY(device.isOpen() || device.open(QIODevice::ReadOnly));
    const QVector<qint64> again = samplesOf(firstAudio(&device, frameBytes), type, size);
    QCOMPARE(again.value(0) >> (size - 16), counterLeft(0));
}

void TestDecoderIODevice::seekDropsEverythingBefore()
{
    DecoderIODevice device(&m_decoder);
    QVERIFY(device.open(QIODevice::ReadOnly));
    // Seeks race the filler's reads; whatever it was decoding must never be handed over.
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < 50; ++i) {
        const qint64 ms = random->bounded(2900);
        // Any frame, not only those a whole ms starts on.
        const qint64 frame = ms * 44100 / 1000 + random->bounded(44);
        QVERIFY(device.seekFrame(frame));
        QCOMPARE(device.playedFrame(), frame);
        QVERIFY(device.decoderPositionMs() >= ms - 1); // the ms the frame falls in
        const QVector<qint64> values = samplesOf(firstAudio(&device, 400));
        QCOMPARE(values.size(), 200);
        QCOMPARE(values[0], counterLeft(frame));
        QCOMPARE(values[199], counterRight(frame + 99));
        QCOMPARE(device.playedFrame(), frame + 100);
    }
}

// The filler stops at most one chunk over the high-water mark; clearBuffer drops it all.
void TestDecoderIODevice::bufferBoundAndClear()
{
    DecoderIODevice device(&m_decoder);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QTRY_VERIFY(device.bufferedBytes() >= device.highWaterBytes());
    for (int i = 0; i < 10; ++i) {
        QThread::msleep(10);
        QVERIFY(device.bufferedBytes() <= device.highWaterBytes() + 65536);
    }
    const qint64 decoded = device.decoderPositionMs();
    device.clearBuffer();
    // The audio continues from what the decoder delivers next.
    const QVector<qint64> values = samplesOf(firstAudio(&device, 400));
    QVERIFY(!values.isEmpty());
    const qint64 first = (values[0] + 32768) % 65536;
    QVERIFY2(first * 1000 / 44100 >= decoded - 1,
        qPrintable(QStringLiteral("frame %1 after %2 ms decoded").arg(first).arg(decoded)));
}

// The meter's levels come from the audio handed to the output, not from decoding 900 ms ahead,
// and are not measured while unwanted; the meter fetches them at its frames.
void TestDecoderIODevice::levelsFollowWhatIsHandedOver()
{
    DecoderIODevice device(&m_decoder);
    QSignalSpy spy(&device, &DecoderIODevice::levelChanged);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QTRY_VERIFY(device.bufferedBytes() >= device.highWaterBytes());
    device.publishLevel();
    QCOMPARE(spy.count(), 0);
    device.setLevelsWanted(false);
    QCOMPARE(firstAudio(&device, 4 * 4410).size(), 4 * 4410); // 100 ms
    device.setLevelsWanted(true);
    device.publishLevel();
    QCOMPARE(spy.count(), 0);
    // 100 ms handed over in one step: two 40 ms blocks, published 40 ms apart.
    QCOMPARE(device.read(4 * 4410).size(), 4 * 4410);
    device.publishLevel();
    QCOMPARE(spy.count(), 1);
    QVERIFY(spy.last().at(0).toFloat() > 0.5f); // the counter starts near full scale
    device.publishLevel();
    QCOMPARE(spy.count(), 1);
    QTest::qWait(45);
    device.publishLevel();
    QCOMPARE(spy.count(), 2);
    QTest::qWait(45);
    device.publishLevel(); // the last 20 ms make no block yet
    QCOMPARE(spy.count(), 2);
}

QTEST_GUILESS_MAIN(TestDecoderIODevice)
#include "tst_decoderiodevice.moc"
