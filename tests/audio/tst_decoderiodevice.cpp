#include "audio/decoderiodevice.h"
#include "audio/ffmpegdecoder.h"
#include "support/audiosupport.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>
#include <cmath>

using namespace AudioSupport;

namespace {

QByteArray samples16(std::initializer_list<qint16> values)
{
    QByteArray bytes;
    for (qint16 v : values) {
        char le[2];
        qToLittleEndian(v, le);
        bytes.append(le, 2);
    }
    return bytes;
}

bool allZero(const QByteArray &bytes)
{
    return bytes.count('\0') == bytes.size();
}

// Reads until the device hands over something other than silence.
QByteArray firstAudio(QIODevice *device, int size)
{
    for (;;) {
        const QByteArray chunk = device->read(size);
        if (chunk.size() != size || !allZero(chunk))
            return chunk;
        QThread::yieldCurrentThread();
    }
}

} // namespace

class TestDecoderIODevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void silenceWhenNothingDecoded();
    void shortBufferIsNotPadded();
    void highWaterBound();
    void seekDropsEverythingBefore();
    void clearBufferDiscards();
    void endPositionGivesSilence();
    void cueRangesMeetExactly();
    void finishedAtEndOfStream();
    void closeAtEndOfStream();
    void convertsToOutputFormat_data();
    void convertsToOutputFormat();
    void levels_data();
    void levels();
    void levelSignal();

private:
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

void TestDecoderIODevice::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(encode(file("c16.flac"), counterSource(3.0), { "-c:a", "flac", "-sample_fmt", "s16" }));
    QVERIFY(encode(file("sine.flac"),
        "aevalsrc=exprs='0.5*sin(2*PI*1000*t)|0.25*sin(2*PI*1000*t)':s=44100:d=2",
        { "-c:a", "flac", "-sample_fmt", "s16" }));
}

void TestDecoderIODevice::silenceWhenNothingDecoded()
{
    FFmpegDecoder decoder; // nothing open: read gives nothing
    DecoderIODevice device(&decoder);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const QByteArray chunk = device.read(4096);
    QCOMPARE(chunk.size(), 4096);
    QVERIFY(allZero(chunk));
    device.close();
}

void TestDecoderIODevice::shortBufferIsNotPadded()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    device.setEndFrame(749);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QTRY_COMPARE(device.bufferedBytes(), qint64(2996));

    const QVector<qint16> values = toInt16(device.read(10000));
    QCOMPARE(values.size(), 2 * 749);
    for (int frame = 0; frame < 749; ++frame) {
        QCOMPARE(values[2 * frame], counterLeft(frame));
        QCOMPARE(values[2 * frame + 1], counterRight(frame));
    }
    QCOMPARE(device.playedPositionMs(), qint64(17));
    device.close();
}

void TestDecoderIODevice::highWaterBound()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    QVERIFY(decoder.configureOutput(3, 32));
    DecoderIODevice device(&decoder);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QCOMPARE(device.highWaterBytes(), 317520);
    QTRY_VERIFY(device.bufferedBytes() >= 317520);
    // The filler stops once over the mark; it can be at most one chunk beyond it.
    for (int i = 0; i < 20; ++i) {
        QThread::msleep(5);
        QVERIFY(device.bufferedBytes() <= 317520 + 65536);
    }
    device.close();
}

void TestDecoderIODevice::seekDropsEverythingBefore()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    QVERIFY(device.open(QIODevice::ReadOnly));
    // Seeks race the filler's reads; whatever it was decoding must never be handed over.
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < 200; ++i) {
        const qint64 ms = random->bounded(2900);
        // Any frame, not only those a whole ms starts on.
        const qint64 frame = ms * 44100 / 1000 + random->bounded(44);
        QVERIFY(device.seekFrame(frame));
        QCOMPARE(device.playedFrame(), frame);
        QVERIFY(device.decoderPositionMs() >= ms - 1); // the ms the frame falls in
        const QVector<qint16> values = toInt16(firstAudio(&device, 400));
        QCOMPARE(values.size(), 200);
        QCOMPARE(values[0], counterLeft(frame));
        QCOMPARE(values[199], counterRight(frame + 99));
        QCOMPARE(device.playedPositionMs(), ((frame + 100) * 1000 + 22050) / 44100);
    }
    device.close();
}

void TestDecoderIODevice::clearBufferDiscards()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QTRY_VERIFY(device.bufferedBytes() >= device.highWaterBytes());
    const qint64 decoded = device.decoderPositionMs();
    device.clearBuffer();
    // What was buffered is gone: the audio continues from what the decoder delivers next.
    const QVector<qint16> values = toInt16(firstAudio(&device, 400));
    const qint64 first = (values[0] + 32768) % 65536;
    QVERIFY2(first * 1000 / 44100 >= decoded - 1,
        qPrintable(QStringLiteral("frame %1 after %2 ms decoded").arg(first).arg(decoded)));
    device.close();
}

void TestDecoderIODevice::endPositionGivesSilence()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    QVERIFY(device.seekFrame(39690));
    device.setEndFrame(44100);
    QVERIFY(device.open(QIODevice::ReadOnly));
    // Exactly 100 ms of the track, then silence however much is read.
    QByteArray audio;
    while (!device.isFinished()) {
        const QByteArray chunk = device.read(4096);
        if (!allZero(chunk))
            audio += chunk;
    }
    QCOMPARE(audio.size(), 4410 * 4);
    const QVector<qint16> values = toInt16(audio);
    QCOMPARE(values.first(), counterLeft(39690));
    QCOMPARE(values.last(), counterRight(44099));
    QVERIFY(allZero(device.read(100000)));
    QCOMPARE(device.playedPositionMs(), qint64(1000));
    QVERIFY(device.isFinished());
    device.close();
}

// CUE starts at odd frames (1/75 s): each range is heard from the sheet's sample to the one
// before the next start, so adjacent tracks neither gap nor overlap.
void TestDecoderIODevice::cueRangesMeetExactly()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    const QStringList starts = { "00:00:37", "00:01:01", "00:02:74" };
    for (int i = 0; i + 1 < starts.size(); ++i) {
        const qint64 first = DecoderIODevice::frameAt(cueTimeToSeconds(starts[i]), 44100);
        const qint64 end = DecoderIODevice::frameAt(cueTimeToSeconds(starts[i + 1]), 44100);
        QCOMPARE(first % 588, 0); // 44 100 / 75
        QVERIFY(device.seekFrame(first));
        device.setEndFrame(end);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QByteArray audio;
        while (!device.isFinished())
            audio += firstAudio(&device, 4096);
        device.close();
        const QVector<qint16> values = toInt16(audio);
        QCOMPARE(values.size(), int(2 * (end - first)));
        QCOMPARE(values.first(), counterLeft(first));
        QCOMPARE(values.last(), counterRight(end - 1));
    }
}

void TestDecoderIODevice::finishedAtEndOfStream()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    QVERIFY(device.seekFrame(110250));
    QVERIFY(device.open(QIODevice::ReadOnly));
    qint64 audioBytes = 0;
    while (!device.isFinished()) {
        const QByteArray chunk = device.read(1000);
        if (!allZero(chunk))
            audioBytes += chunk.size();
    }
    QCOMPARE(audioBytes, qint64(22050 * 4));
    QCOMPARE(device.playedPositionMs(), qint64(3000));
    // Seeking back makes it play again.
    QVERIFY(device.seekFrame(0));
    QVERIFY(!device.isFinished());
    QCOMPARE(toInt16(firstAudio(&device, 4)).first(), counterLeft(0));
    device.close();
}

void TestDecoderIODevice::closeAtEndOfStream()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    DecoderIODevice device(&decoder);
    QVERIFY(device.seekFrame(131859));
    QVERIFY(device.open(QIODevice::ReadOnly));
    QTRY_VERIFY(device.bufferedBytes() > 0);
    device.read(1 << 20);
    QTRY_VERIFY(device.isFinished());
    device.close();
    QVERIFY(!device.isOpen());
    // Reopening starts a new filler on the same decoder.
    QVERIFY(device.seekFrame(0));
    QVERIFY(device.open(QIODevice::ReadOnly));
    QCOMPARE(toInt16(firstAudio(&device, 4)).first(), counterLeft(0));
}

void TestDecoderIODevice::convertsToOutputFormat_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("type");
    QTest::newRow("float") << 32 << 3;
    QTest::newRow("s32") << 32 << 1;
    QTest::newRow("s24") << 24 << 1;
    QTest::newRow("s16 unchanged") << 16 << 1;
}

// A decoder that delivers 16-bit samples played on an output of another layout.
void TestDecoderIODevice::convertsToOutputFormat()
{
    QFETCH(int, size);
    QFETCH(int, type);
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    QCOMPARE(decoder.sampleSize(), 16);
    DecoderIODevice device(&decoder);
    device.setOutputFormat(size, type);
    QVERIFY(device.seekFrame(44100));
    QVERIFY(device.open(QIODevice::ReadOnly));
    const int width = type == 3 ? 4 : bytesPerSample(size);
    QCOMPARE(device.highWaterBytes(), 44100 * 2 * bytesPerSample(size) * 9 / 10);

    const QByteArray bytes = firstAudio(&device, 1000 * 2 * width);
    QCOMPARE(bytes.size(), 1000 * 2 * width);
    // Back to 16 bits: every wider format carries the counter in its top bits.
    const int shift = size == 16 ? 0 : size == 24 ? 8 : 16;
    QVector<qint64> values = samplesOf(bytes, type, size);
    for (qint64 &v : values)
        v >>= shift;
    for (int frame = 0; frame < 1000; ++frame) {
        QCOMPARE(values[2 * frame], qint64(counterLeft(44100 + frame)));
        QCOMPARE(values[2 * frame + 1], qint64(counterRight(44100 + frame)));
    }
    QCOMPARE(device.playedPositionMs(), qint64(1023));
    device.close();
}

void TestDecoderIODevice::levels_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");

    QTest::newRow("mono 16-bit half scale")
        << samples16({ 16384, -16384, 16384, -16384 }) << 1 << 16 << 1 << true << 0.5f << 0.5f;
    QTest::newRow("stereo, right silent")
        << samples16({ -32768, 0, -32768, 0 }) << 2 << 16 << 1 << true << 1.0f << 0.0f;
    QTest::newRow("partial frame ignored")
        << samples16({ 16384, 0, 16384, 0, 32767 }) << 2 << 16 << 1 << true << 0.5f << 0.0f;
    QTest::newRow("six channels: 0 and 1 only")
        << samples16({ 8192, 16384, 32767, 32767, 32767, 32767 }) << 6 << 16 << 1 << true << 0.25f
        << 0.5f;
    QTest::newRow("packed 24-bit")
        << QByteArray::fromHex("000040000040") << 1 << 24 << 1 << true << 0.5f << 0.5f;
    QTest::newRow("packed 24-bit negative full scale")
        << QByteArray::fromHex("000080000080") << 2 << 24 << 1 << true << 1.0f << 1.0f;
    QTest::newRow("32-bit") << QByteArray::fromHex("00000040000000c0") << 2 << 32 << 1 << true
                            << 0.5f << 0.5f;
    QTest::newRow("float") << QByteArray::fromHex("0000003f000080be") << 2 << 32 << 3 << true
                           << 0.5f << 0.25f;
    QTest::newRow("less than a frame")
        << samples16({ 100 }) << 2 << 16 << 1 << true << 0.0f << 0.0f;
    QTest::newRow("8-bit not read") << QByteArray("abcd") << 1 << 8 << 1 << false << 0.0f << 0.0f;
    QTest::newRow("no channels") << samples16({ 1, 2 }) << 0 << 16 << 1 << false << 0.0f << 0.0f;
}

void TestDecoderIODevice::levels()
{
    QFETCH(QByteArray, data);
    QFETCH(int, channels);
    QFETCH(int, size);
    QFETCH(int, type);
    QFETCH(bool, readable);
    QFETCH(float, left);
    QFETCH(float, right);
    float l = -1;
    float r = -1;
    QCOMPARE(
        DecoderIODevice::measureLevels(data.constData(), data.size(), channels, size, type, &l, &r),
        readable);
    if (readable) {
        QVERIFY2(std::fabs(l - left) < 1e-4f, qPrintable(QString::number(l)));
        QVERIFY2(std::fabs(r - right) < 1e-4f, qPrintable(QString::number(r)));
    }
}

// Sines at half and quarter scale read as 0.5 / sqrt(2) and 0.25 / sqrt(2), delivered on this
// thread.
void TestDecoderIODevice::levelSignal()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("sine.flac")));
    DecoderIODevice device(&decoder);
    QSignalSpy spy(&device, &DecoderIODevice::levelChanged);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QVERIFY(spy.wait());
    for (const QList<QVariant> &pair : qAsConst(spy)) {
        QVERIFY2(std::fabs(pair.at(0).toFloat() - 0.35355f) < 0.001f,
            qPrintable(QString::number(pair.at(0).toFloat())));
        QVERIFY2(std::fabs(pair.at(1).toFloat() - 0.17678f) < 0.001f,
            qPrintable(QString::number(pair.at(1).toFloat())));
    }
    device.close();
}

QTEST_GUILESS_MAIN(TestDecoderIODevice)
#include "tst_decoderiodevice.moc"
