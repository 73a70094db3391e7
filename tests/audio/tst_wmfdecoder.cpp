#include "audio/wmfdecoder.h"
#include "support/audiosupport.h"
#include "support/testsupport.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace AudioSupport;

// Runs on the platform's media framework (GStreamer here) with files made by ffmpeg.
namespace {

// The WAVs' first samples are exact: the 16-bit counter holds n mod 32768 on the left, the
// 24-bit mono ramp 37 n mod 2^23. The others are lossy (-1).
qint64 expectedAt(const QString &name, qint64 frame)
{
    if (name == "counter16.wav")
        return frame % 32768;
    return name == "ramp24.wav" ? 37 * frame % 8388608 : -1;
}

} // namespace

class TestWmfDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesAndSeeks_data();
    void decodesAndSeeks();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

void TestWmfDecoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    using TestSupport::makeAudio;
    QVERIFY(makeAudio(file("counter16.wav"),
        "aevalsrc=exprs=mod(n\\,32768)/32768|-mod(n\\,32768)/32768:s=44100:d=3",
        { "-c:a", "pcm_s16le" }));
    QVERIFY(makeAudio(file("ramp24.wav"), "aevalsrc=exprs=mod(37*n\\,8388608)/8388608:s=48000:d=2",
        { "-c:a", "pcm_s24le" }));
    QVERIFY(TestSupport::makeTone(file("tone.webm"), 440, 3, 48000, { "-c:a", "libopus" }));
    QVERIFY(makeAudio(file("videofirst.mp4"),
        "testsrc=size=64x48:rate=10:duration=3[out0];"
        "sine=frequency=440:sample_rate=44100:duration=3[out1]",
        { "-c:v", "mpeg4", "-c:a", "aac", "-ac", "2" }));
    // ffmpeg has no Musepack encoder; mpcenc (musepack-tools) makes one from a WAV.
    const QString mpcenc = QStandardPaths::findExecutable(QStringLiteral("mpcenc"));
    if (!mpcenc.isEmpty())
        QVERIFY(TestSupport::run(mpcenc, { "--silent", file("counter16.wav"), file("tone.mpc") }));
}

void TestWmfDecoder::decodesAndSeeks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("toleranceMs");
    QTest::addColumn<qint64>("chunk"); // chunks that split frames leave bytes pending
    QTest::addColumn<qint64>("seekMs");
    const auto row = [](const char *name, int rate, int channels, qint64 toleranceMs, qint64 chunk,
                         qint64 seekMs) {
        QTest::newRow(name) << name << rate << channels << toleranceMs << chunk << seekMs;
    };
    row("counter16.wav", 44100, 2, 0, 1001, 1500);
    row("ramp24.wav", 48000, 1, 0, 4099, 1250);
    // The demuxer resumes at the start of its cluster, seconds before the target.
    row("tone.webm", 48000, 2, 30, 65536, 2000);
    row("tone.mpc", 44100, 2, 30, 65536, 1000);
    row("videofirst.mp4", 44100, 2, 30, 65536, 2200);
}

// Opens with the file's layout and length, decodes all of it (exactly, for the WAVs), and after
// the end a seek delivers from the target on and nothing before it.
void TestWmfDecoder::decodesAndSeeks()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(qint64, toleranceMs);
    QFETCH(qint64, chunk);
    QFETCH(qint64, seekMs);
    if (!QFile::exists(file(name)))
        QSKIP("mpcenc (musepack-tools) is not installed");

    WmfDecoder decoder;
    QVERIFY(decoder.open(file(name)));
    QCOMPARE(decoder.sampleRate(), rate);
    QCOMPARE(decoder.channelCount(), channels);
    const qint64 durationMs = name == "ramp24.wav" ? 2000 : 3000;
    QVERIFY(qAbs(decoder.durationMs() - durationMs) <= toleranceMs);
    const int bits = decoder.sampleSize();
    const QByteArray bytes = readAll(&decoder, chunk);
    QCOMPARE(bytes.size() % (bits / 8 * channels), 0);
    const QVector<qint64> all = samplesOf(bytes, 1, bits);
    const qint64 frames = all.size() / channels;
    QVERIFY2(qAbs(frames * 1000 / rate - durationMs) <= toleranceMs,
        qPrintable(QString::number(frames)));
    for (qint64 n = 0; expectedAt(name, 0) >= 0 && n < frames; ++n) {
        if (all[n * channels] != expectedAt(name, n))
            QFAIL(qPrintable(QStringLiteral("frame %1: %2").arg(n).arg(all[n * channels])));
    }
    char byte;
    QCOMPARE(decoder.read(&byte, 1), qint64(0));

    const qint64 before = decoder.positionMs();
    QVERIFY(decoder.seek(seekMs));
    QCOMPARE(decoder.positionMs(), before); // it follows the next sample read
    const QVector<qint64> rest = samplesOf(readAll(&decoder, chunk), 1, bits);
    const qint64 target = seekMs * rate / 1000;
    if (expectedAt(name, 0) < 0) {
        const qint64 restMs = rest.size() / channels * 1000 / rate;
        QVERIFY2(qAbs(restMs - (durationMs - seekMs)) <= toleranceMs + 10,
            qPrintable(QString::number(restMs)));
        return;
    }
    QCOMPARE(rest.size() / channels, frames - target);
    QCOMPARE(rest.value(0), expectedAt(name, target));
}

QTEST_GUILESS_MAIN(TestWmfDecoder)
#include "tst_wmfdecoder.moc"
