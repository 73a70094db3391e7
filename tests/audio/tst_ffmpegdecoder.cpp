#include "audio/ffmpegdecoder.h"
#include "support/audiosupport.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>

using namespace AudioSupport;

// Expected value of output sample i (interleaved index) for a file/format pair.
using Expected = std::function<qint64(qint64 index)>;
Q_DECLARE_METATYPE(Expected)

namespace {

qint64 counterAt(qint64 index)
{
    return index % 2 == 0 ? counterLeft(index / 2) : counterRight(index / 2);
}

qint64 packTo24(double value)
{
    return std::lround(qBound(-1.0, value, 1.0) * 8388607.0);
}

} // namespace

class TestFFmpegDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void seekDeliversTarget_data();
    void seekDeliversTarget();
    void repeatedSeeks();

private:
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

void TestFFmpegDecoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    using TestSupport::makeAudio;
    const QString counter = counterSource(3.0);
    QVERIFY(makeAudio(file("c16.flac"), counter, flac16()));
    QVERIFY(makeAudio(file("c24.flac"), ramp24Source(2.0),
        { "-c:a", "flac", "-sample_fmt", "s32", "-bits_per_raw_sample", "24" }));
    QVERIFY(makeAudio(file("c16.wav"), counter, { "-c:a", "pcm_s16le" }));
    QVERIFY(makeAudio(file("c16.aiff"), counter, { "-c:a", "pcm_s16be" }));
    QVERIFY(makeAudio(file("c16.wv"), counter, { "-c:a", "wavpack", "-sample_fmt", "s16p" }));
    QVERIFY(makeAudio(file("c16.mka"), counter, flac16()));
    QVERIFY(makeAudio(file("float.wav"),
        "aevalsrc=exprs='if(eq(mod(n\\,4)\\,0)\\,1\\,if(eq(mod(n\\,4)\\,1)\\,-1\\,"
        "if(eq(mod(n\\,4)\\,2)\\,1.5\\,-1.5)))':s=44100:d=0.1",
        { "-c:a", "pcm_f32le" }));
    // Video first, audio second.
    QVERIFY(makeAudio(file("video.mkv"),
        "testsrc=size=64x48:rate=25:duration=3[out0];" + counter + "[out1]",
        { "-c:v", "mjpeg", "-c:a", "flac", "-sample_fmt", "s16" }));
}

void TestFFmpegDecoder::seekDeliversTarget_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("tolerance"); // frames
    QTest::addColumn<Expected>("expected");
    const auto row = [](const char *name, int type, int size, qint64 ms, const Expected &e,
                         int tolerance = 0) {
        QTest::addRow("%s %d/%d %lld ms", name, type, size, ms)
            << name << type << size << ms << tolerance << e;
    };
    const Expected counter16 = counterAt;
    row("c16.flac", 3, 32, 0, [](qint64 i) { return counterAt(i) * 65536; });
    row("c16.flac", 1, 24, 1999, [](qint64 i) { return packTo24(counterAt(i) / 32768.0); });
    row("c16.flac", 1, 16, 1, counter16);
    row("c16.wav", 1, 16, 1999, counter16);
    row("c16.aiff", 1, 16, 1, counter16);
    row("c16.wv", 1, 16, 0, counter16);
    row("c16.wv", 1, 16, 1999, counter16);
    // Matroska stamps blocks in whole milliseconds, so the first sample is known to +-0.5 ms.
    row("c16.mka", 1, 16, 1, counter16, 22);
    row("c16.mka", 1, 16, 1999, counter16, 22);
    row("video.mkv", 1, 16, 0, counter16); // video first
    row("video.mkv", 1, 16, 1999, counter16, 22);
    // The 24-bit ramp is mono at 48 kHz.
    row("c24.flac", 3, 32, 0, [](qint64 i) { return qint64(ramp24(i)) * 256; });
    row("c24.flac", 1, 24, 1, [](qint64 i) { return packTo24(ramp24(i) / 8388608.0); });
    row("c24.flac", 1, 16, 1999, [](qint64 i) { return qint64(ramp24(i) >> 8); });
    // 1.0, -1.0, 1.5, -1.5: beyond full scale clamps.
    row("float.wav", 1, 24, 0, [](qint64 i) { return i % 2 ? -8388607 : 8388607; });
}

// In the format asked for, every sample from the seek's target frame to the file's last.
void TestFFmpegDecoder::seekDeliversTarget()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(qint64, ms);
    QFETCH(int, tolerance);
    QFETCH(Expected, expected);
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(m_dir.filePath(name)));
    QVERIFY(decoder.configureOutput(type, size));
    QCOMPARE(decoder.sampleType(), type);
    QCOMPARE(decoder.sampleSize(), size);
    // Something decoded is dropped, or a seek after the end delivers again.
    char scratch[4096];
    QVERIFY(ms > 1000 ? !readAll(&decoder).isEmpty() : decoder.read(scratch, 4096) > 0);
    QVERIFY(decoder.seek(ms));
    QCOMPARE(decoder.positionMs(), ms);
    // An odd chunk size makes reads split samples and frames.
    const QVector<qint64> values = samplesOf(readAll(&decoder, 10001), type, size);
    QVERIFY(!values.isEmpty());
    const int channels = decoder.channelCount();
    const qint64 target = ms * decoder.sampleRate() / 1000;
    qint64 first = target - tolerance;
    while (first < target + tolerance && values[0] != expected(first * channels))
        ++first;
    const qint64 frames = decoder.durationMs() * decoder.sampleRate() / 1000;
    QCOMPARE(values.size(), int(channels * (frames - first)));
    for (int i = 0; i < values.size(); ++i) {
        if (values[i] != expected(first * channels + i))
            QFAIL(qPrintable(QStringLiteral("sample %1 after frame %2").arg(i).arg(first)));
    }
    QCOMPARE(decoder.positionMs(), decoder.durationMs());
}

// Seeks without reads between, once reads filled FFmpeg's index (whose search fails for some
// targets of a FLAC file without a seek table).
void TestFFmpegDecoder::repeatedSeeks()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("c16.flac")));
    char scratch[4];
    for (int pass = 0; pass < 2; ++pass) {
        for (qint64 ms = 0; ms < 3000; ms += 7) {
            QVERIFY2(decoder.seek(ms), qPrintable(QString::number(ms)));
            if (pass == 0)
                QCOMPARE(decoder.read(scratch, 4), qint64(4));
        }
    }
    QCOMPARE(decoder.read(scratch, 4), qint64(4));
    QCOMPARE(samplesOf(QByteArray(scratch, 4)).first(), counterLeft(2996 * 441 / 10));
}

QTEST_GUILESS_MAIN(TestFFmpegDecoder)
#include "tst_ffmpegdecoder.moc"
