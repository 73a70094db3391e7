#include "audio/wmfdecoder.h"
#include "support/audiosupport.h"
#include "support/testsupport.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

// Runs on the platform's media framework (GStreamer here) with files made by ffmpeg.

namespace {

// Counter WAV: frame n holds left n mod 32768, right -(n mod 32768), 16-bit.
const char kCounter16[] = "counter16.wav";
// Ramp WAV: mono, frame n holds 37 n mod 2^23, packed 24-bit.
const char kRamp24[] = "ramp24.wav";
const char kMusepack[] = "tone.mpc";

qint32 sampleAt(const QByteArray &pcm, int bits, qint64 index)
{
    const int width = bits / 8;
    const auto *p = reinterpret_cast<const uchar *>(pcm.constData()) + index * width;
    quint32 value = 0;
    for (int k = 0; k < width; ++k)
        value |= quint32(p[k]) << (8 * k);
    return qint32(value << (32 - bits)) >> (32 - bits);
}

// The signal's own first sample at a frame: exact for the WAVs, unknown (-1) for the tones.
qint64 expectedAt(const QString &name, qint64 frame)
{
    if (name == QLatin1String(kCounter16))
        return frame % 32768;
    return name == QLatin1String(kRamp24) ? 37 * frame % 8388608 : -1;
}

} // namespace

class TestWmfDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesAndSeeks_data();
    void decodesAndSeeks();
    void refusesToOpen_data();
    void refusesToOpen();

private:
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    bool m_haveMusepack = false;
};

void TestWmfDecoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    using TestSupport::makeAudio;
    using TestSupport::makeTone;
    QVERIFY(makeAudio(file(kCounter16),
        "aevalsrc=exprs=mod(n\\,32768)/32768|-mod(n\\,32768)/32768:s=44100:d=3",
        { "-c:a", "pcm_s16le" }));
    QVERIFY(makeAudio(file(kRamp24), "aevalsrc=exprs=mod(37*n\\,8388608)/8388608:s=48000:d=2",
        { "-c:a", "pcm_s24le" }));
    QVERIFY(makeTone(file("tone.mp4"), 440, 3, 44100, { "-c:a", "aac" }));
    QVERIFY(makeTone(file("tone.webm"), 440, 3, 48000, { "-c:a", "libopus" }));
    QVERIFY(makeAudio(file("videofirst.mp4"),
        "testsrc=size=64x48:rate=10:duration=3[out0];"
        "sine=frequency=440:sample_rate=44100:duration=3[out1]",
        { "-c:v", "mpeg4", "-c:a", "aac", "-ac", "2" }));
    QVERIFY(makeAudio(
        file("videoonly.mp4"), "testsrc=size=64x48:rate=10:duration=1", { "-c:v", "mpeg4" }));
    // ffmpeg has no Musepack encoder; mpcenc (musepack-tools) makes one from a WAV.
    const QString mpcenc = QStandardPaths::findExecutable(QStringLiteral("mpcenc"));
    if (!mpcenc.isEmpty()) {
        const QString wav = m_dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(makeTone(wav, 440, 3, 44100));
        QVERIFY(TestSupport::run(mpcenc, { QStringLiteral("--silent"), wav, file(kMusepack) }));
        m_haveMusepack = true;
    }
}

void TestWmfDecoder::decodesAndSeeks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("toleranceMs");
    QTest::addColumn<qint64>("chunk");
    QTest::addColumn<qint64>("seekMs");

    // Chunks that split frames, so pending bytes carry over between reads.
    QTest::newRow("WAV 16-bit") << kCounter16 << 44100 << 2 << qint64(0) << qint64(1001)
                                << qint64(1500);
    QTest::newRow("WAV 24-bit mono")
        << kRamp24 << 48000 << 1 << qint64(0) << qint64(4099) << qint64(1250);
    QTest::newRow("AAC in MP4") << "tone.mp4" << 44100 << 2 << qint64(30) << qint64(65536)
                                << qint64(1500);
    // The demuxer resumes at the start of its cluster, seconds before the target.
    QTest::newRow("Opus in WebM") << "tone.webm" << 48000 << 2 << qint64(30) << qint64(65536)
                                  << qint64(2000);
    QTest::newRow("Musepack") << kMusepack << 44100 << 2 << qint64(30) << qint64(65536)
                              << qint64(1000);
    QTest::newRow("AAC after a video stream")
        << "videofirst.mp4" << 44100 << 2 << qint64(30) << qint64(65536) << qint64(2200);
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
    if (name == QLatin1String(kMusepack) && !m_haveMusepack)
        QSKIP("mpcenc (musepack-tools) is not installed");

    WmfDecoder decoder;
    QVERIFY(decoder.open(m_dir.filePath(name)));
    QCOMPARE(decoder.sampleRate(), rate);
    QCOMPARE(decoder.channelCount(), channels);
    QCOMPARE(decoder.sampleType(), 1);
    const qint64 durationMs = name == QLatin1String(kRamp24) ? 2000 : 3000;
    QVERIFY(qAbs(decoder.durationMs() - durationMs) <= toleranceMs);
    const int bits = decoder.sampleSize();
    const qint64 frameBytes = bits / 8 * channels;
    const auto frames = [&](const QByteArray &pcm) { return pcm.size() / frameBytes; };

    const QByteArray all = AudioSupport::readAll(&decoder, chunk);
    QCOMPARE(all.size() % frameBytes, 0);
    QVERIFY2(qAbs(frames(all) * 1000 / rate - durationMs) <= toleranceMs,
        qPrintable(QString::number(frames(all))));
    double sum = 0;
    for (qint64 n = 0; n < frames(all); ++n) {
        const qint32 value = sampleAt(all, bits, n * channels);
        if (expectedAt(name, 0) >= 0 && value != expectedAt(name, n))
            QFAIL(qPrintable(QStringLiteral("frame %1: %2").arg(n).arg(value)));
        sum += std::pow(value / std::ldexp(1.0, bits - 1), 2);
    }
    // The tones: ffmpeg's amplitude 1/8 spread to two channels at -3 dB each.
    const double level = std::sqrt(sum / frames(all));
    QVERIFY2(expectedAt(name, 0) >= 0 || qAbs(level - 0.0625) < 0.01,
        qPrintable(QString::number(level)));
    char byte;
    QCOMPARE(decoder.read(&byte, 1), qint64(0));

    const qint64 before = decoder.positionMs();
    QVERIFY(decoder.seek(seekMs));
    // The position follows the next sample read, not the request.
    QCOMPARE(decoder.positionMs(), before);
    const QByteArray rest = AudioSupport::readAll(&decoder, chunk);
    const qint64 target = seekMs * rate / 1000;
    if (expectedAt(name, 0) >= 0) {
        QCOMPARE(frames(rest), frames(all) - target);
        QCOMPARE(sampleAt(rest, bits, 0), expectedAt(name, target));
    } else {
        QVERIFY2(qAbs(frames(rest) * 1000 / rate - (durationMs - seekMs)) <= toleranceMs + 10,
            qPrintable(QString::number(frames(rest))));
    }
}

void TestWmfDecoder::refusesToOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // written unless null

    QTest::newRow("missing file") << QStringLiteral("missing.mp4") << QByteArray();
    QTest::newRow("empty file") << QStringLiteral("empty.webm") << QByteArray("");
    QTest::newRow("text") << QStringLiteral("notes.mp4")
                          << QByteArray("not audio at all\n").repeated(100);
    QTest::newRow("video without audio") << QStringLiteral("videoonly.mp4") << QByteArray();
}

void TestWmfDecoder::refusesToOpen()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFile out(m_dir.filePath(name));
    QVERIFY(content.isNull() || (out.open(QIODevice::WriteOnly) && out.write(content) >= 0));
    out.close();
    WmfDecoder decoder;
    QVERIFY(!decoder.open(out.fileName()));
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(!decoder.seek(0));
    QCOMPARE(decoder.sampleRate(), 0);
}

QTEST_GUILESS_MAIN(TestWmfDecoder)
#include "tst_wmfdecoder.moc"
