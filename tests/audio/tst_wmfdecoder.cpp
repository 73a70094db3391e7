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
// Sine tones at ffmpeg's default amplitude 1/8, spread to two channels at -3 dB each.
const char kAac[] = "tone.mp4";
const char kOpus[] = "tone.webm";
const char kMusepack[] = "tone.mpc";
const char kVideoFirst[] = "videofirst.mp4";
const double kToneRms = 0.125 / 2;

qint32 sampleAt(const QByteArray &pcm, int bits, qint64 index)
{
    const int width = bits == 24 ? 3 : bits / 8;
    const auto *p = reinterpret_cast<const uchar *>(pcm.constData()) + index * width;
    quint32 value = 0;
    for (int k = 0; k < width; ++k)
        value |= quint32(p[k]) << (8 * k);
    const int shift = 32 - bits;
    return qint32(value << shift) >> shift;
}

double rms(const QByteArray &pcm, int bits)
{
    const qint64 count = pcm.size() / (bits == 24 ? 3 : bits / 8);
    double sum = 0;
    for (qint64 i = 0; i < count; ++i) {
        const double v = sampleAt(pcm, bits, i) / std::ldexp(1.0, bits - 1);
        sum += v * v;
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

qint64 frameBytes(const IAudioDecoder &decoder)
{
    return qint64(bytesPerSample(decoder.sampleSize())) * decoder.channelCount();
}

} // namespace

class TestWmfDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensAndDecodes_data();
    void opensAndDecodes();
    void deliversExactSamples_data();
    void deliversExactSamples();
    void seeks_data();
    void seeks();
    void handsOutPendingBeforeDecoding();
    void refusesToOpen_data();
    void refusesToOpen();
    void closeResets();

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
    QVERIFY(makeTone(file(kAac), 440, 3, 44100, { "-c:a", "aac" }));
    QVERIFY(makeTone(file(kOpus), 440, 3, 48000, { "-c:a", "libopus" }));
    QVERIFY(makeAudio(file(kVideoFirst),
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

void TestWmfDecoder::opensAndDecodes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<qint64>("durationMs");
    QTest::addColumn<qint64>("toleranceMs");
    QTest::addColumn<double>("toneRms"); // 0: not a tone

    QTest::newRow("WAV 16-bit") << kCounter16 << 44100 << 2 << QList<int> { 16 } << qint64(3000)
                                << qint64(0) << 0.0;
    QTest::newRow("WAV 24-bit mono")
        << kRamp24 << 48000 << 1 << QList<int> { 24 } << qint64(2000) << qint64(0) << 0.0;
    QTest::newRow("AAC in MP4") << kAac << 44100 << 2 << QList<int> { 16, 32 } << qint64(3000)
                                << qint64(30) << kToneRms;
    QTest::newRow("Opus in WebM") << kOpus << 48000 << 2 << QList<int> { 16, 32 } << qint64(3000)
                                  << qint64(30) << kToneRms;
    QTest::newRow("Musepack") << kMusepack << 44100 << 2 << QList<int> { 16, 32 } << qint64(3000)
                              << qint64(30) << kToneRms;
    QTest::newRow("AAC after a video stream") << kVideoFirst << 44100 << 2 << QList<int> { 16, 32 }
                                              << qint64(3000) << qint64(30) << kToneRms;
}

void TestWmfDecoder::opensAndDecodes()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QList<int>, sizes);
    QFETCH(qint64, durationMs);
    QFETCH(qint64, toleranceMs);
    QFETCH(double, toneRms);
    if (name == QLatin1String(kMusepack) && !m_haveMusepack)
        QSKIP("mpcenc (musepack-tools) is not installed");

    WmfDecoder decoder;
    QVERIFY(decoder.open(m_dir.filePath(name)));
    QCOMPARE(decoder.sampleRate(), rate);
    QCOMPARE(decoder.channelCount(), channels);
    QVERIFY2(
        sizes.contains(decoder.sampleSize()), qPrintable(QString::number(decoder.sampleSize())));
    QCOMPARE(decoder.sampleType(), 1);
    QVERIFY2(qAbs(decoder.durationMs() - durationMs) <= toleranceMs,
        qPrintable(QString::number(decoder.durationMs())));

    const QByteArray all = AudioSupport::readAll(&decoder, 65536);
    QCOMPARE(all.size() % frameBytes(decoder), 0);
    const qint64 decodedMs = all.size() / frameBytes(decoder) * 1000 / rate;
    QVERIFY2(qAbs(decodedMs - durationMs) <= toleranceMs, qPrintable(QString::number(decodedMs)));
    if (toneRms > 0) {
        const double level = rms(all, decoder.sampleSize());
        QVERIFY2(qAbs(level - toneRms) < toneRms * 0.15, qPrintable(QString::number(level)));
    }
    char byte;
    QCOMPARE(decoder.read(&byte, 1), qint64(0));
    QCOMPARE(decoder.read(&byte, 1), qint64(0));
}

void TestWmfDecoder::deliversExactSamples_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<qint64>("chunk");
    QTest::addColumn<qint64>("againMs"); // seek target after the end

    // Chunks that split frames, so pending bytes carry over between reads.
    QTest::newRow("16-bit stereo counter")
        << kCounter16 << qint64(132300) << qint64(1001) << qint64(2000);
    QTest::newRow("24-bit mono ramp") << kRamp24 << qint64(96000) << qint64(4099) << qint64(500);
}

void TestWmfDecoder::deliversExactSamples()
{
    QFETCH(QString, name);
    QFETCH(qint64, frames);
    QFETCH(qint64, chunk);
    QFETCH(qint64, againMs);

    WmfDecoder decoder;
    QVERIFY(decoder.open(m_dir.filePath(name)));
    const QByteArray all = AudioSupport::readAll(&decoder, chunk);
    QCOMPARE(all.size() / frameBytes(decoder), frames);
    const int bits = decoder.sampleSize();
    const auto check = [bits](const QByteArray &pcm, qint64 frame, qint64 n) {
        if (bits == 16)
            return sampleAt(pcm, 16, 2 * frame) == qint32(n % 32768)
                && sampleAt(pcm, 16, 2 * frame + 1) == qint32(-(n % 32768));
        return sampleAt(pcm, 24, frame) == qint32((37 * n) % 8388608);
    };
    for (qint64 n = 0; n < frames; ++n)
        QVERIFY2(check(all, n, n), qPrintable(QString::number(n)));

    // After the end a seek makes it deliver again, from the target on.
    char byte;
    QCOMPARE(decoder.read(&byte, 1), qint64(0));
    QVERIFY(decoder.seek(againMs));
    const QByteArray again = AudioSupport::readAll(&decoder, chunk);
    const qint64 target = againMs * decoder.sampleRate() / 1000;
    QCOMPARE(again.size() / frameBytes(decoder), frames - target);
    QVERIFY(check(again, 0, target));
    QVERIFY(check(again, frames - target - 1, frames - 1));
    QVERIFY(decoder.positionMs() > againMs);
}

void TestWmfDecoder::seeks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("targetMs");
    QTest::addColumn<qint64>("toleranceMs");
    QTest::addColumn<qint64>("durationMs");
    QTest::addColumn<qint32>("firstSample"); // -1: not known exactly

    QTest::newRow("WAV 16-bit") << kCounter16 << qint64(1500) << qint64(0) << qint64(3000)
                                << qint32(66150 % 32768);
    QTest::newRow("WAV 24-bit") << kRamp24 << qint64(1250) << qint64(0) << qint64(2000)
                                << qint32((37 * 60000) % 8388608);
    QTest::newRow("AAC in MP4") << kAac << qint64(1500) << qint64(25) << qint64(3000) << qint32(-1);
    // The demuxer resumes at the start of its cluster, seconds before the target.
    QTest::newRow("Opus in WebM") << kOpus << qint64(2000) << qint64(25) << qint64(3000)
                                  << qint32(-1);
    QTest::newRow("Musepack") << kMusepack << qint64(1000) << qint64(25) << qint64(3000)
                              << qint32(-1);
    QTest::newRow("AAC after a video stream")
        << kVideoFirst << qint64(2200) << qint64(25) << qint64(3000) << qint32(-1);
}

void TestWmfDecoder::seeks()
{
    QFETCH(QString, name);
    QFETCH(qint64, targetMs);
    QFETCH(qint64, toleranceMs);
    QFETCH(qint64, durationMs);
    QFETCH(qint32, firstSample);
    if (name == QLatin1String(kMusepack) && !m_haveMusepack)
        QSKIP("mpcenc (musepack-tools) is not installed");

    WmfDecoder decoder;
    QVERIFY(decoder.open(m_dir.filePath(name)));
    QByteArray buffer(65536, Qt::Uninitialized);
    for (int i = 0; i < 5; ++i)
        QVERIFY(decoder.read(buffer.data(), buffer.size()) > 0);
    const qint64 before = decoder.positionMs();
    QVERIFY(before > 0);

    QVERIFY(decoder.seek(targetMs));
    // The position follows the next sample read, not the request.
    QCOMPARE(decoder.positionMs(), before);
    const qint64 first = decoder.read(buffer.data(), buffer.size());
    QVERIFY(first > 0);
    QVERIFY2(qAbs(decoder.positionMs() - targetMs) <= toleranceMs,
        qPrintable(QString::number(decoder.positionMs())));
    if (firstSample >= 0)
        QCOMPARE(sampleAt(buffer, decoder.sampleSize(), 0), firstSample);

    // Nothing before the target is delivered: what remains is the rest of the file.
    const qint64 rest = first + AudioSupport::readAll(&decoder, 65536).size();
    const qint64 restMs = rest / frameBytes(decoder) * 1000 / decoder.sampleRate();
    QVERIFY2(qAbs(restMs - (durationMs - targetMs)) <= toleranceMs + 10,
        qPrintable(QString::number(restMs)));
}

void TestWmfDecoder::handsOutPendingBeforeDecoding()
{
    WmfDecoder decoder;
    QVERIFY(decoder.open(file(kCounter16)));
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    QCOMPARE(decoder.read(bytes.data(), 1), qint64(1));
    const qint64 position = decoder.positionMs();
    QVERIFY(!decoder.seek(-1)); // a refused seek keeps what is pending
    // The rest of the first sample, without reading another one.
    const qint64 rest = decoder.read(bytes.data() + 1, bytes.size() - 1);
    QVERIFY(rest > 0);
    QCOMPARE((1 + rest) % 4, 0);
    QCOMPARE(decoder.positionMs(), position);
    const qint64 frames = (1 + rest) / 4;
    for (qint64 n = 0; n < frames; ++n)
        QCOMPARE(sampleAt(bytes, 16, 2 * n), qint32(n));
    QVERIFY(decoder.read(bytes.data(), bytes.size()) > 0);
    QVERIFY(decoder.positionMs() > position);
}

void TestWmfDecoder::refusesToOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("write");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("missing file") << QStringLiteral("missing.mp4") << false << QByteArray();
    QTest::newRow("empty file") << QStringLiteral("empty.webm") << true << QByteArray();
    QTest::newRow("text") << QStringLiteral("notes.mp4") << true
                          << QByteArray("not audio at all\n").repeated(100);
    QTest::newRow("video without audio")
        << QStringLiteral("videoonly.mp4") << false << QByteArray();
}

void TestWmfDecoder::refusesToOpen()
{
    QFETCH(QString, name);
    QFETCH(bool, write);
    QFETCH(QByteArray, content);

    const QString path = m_dir.filePath(name);
    if (write) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(content), qint64(content.size()));
    }
    WmfDecoder decoder;
    QVERIFY(!decoder.open(path));
    char bytes[4];
    QCOMPARE(decoder.read(bytes, 4), qint64(0));
    QVERIFY(!decoder.seek(0));
    QCOMPARE(decoder.sampleRate(), 0);
}

void TestWmfDecoder::closeResets()
{
    QObject parent;
    auto *decoder = new WmfDecoder(&parent);
    // The engine finds the decoder through the interface by name.
    QCOMPARE(qobject_cast<IAudioDecoder *>(decoder), static_cast<IAudioDecoder *>(decoder));
    QVERIFY(decoder->qt_metacast("IAudioDecoder"));

    QVERIFY(decoder->open(file(kRamp24)));
    char bytes[64];
    QVERIFY(decoder->read(bytes, sizeof bytes) > 0);
    decoder->close();
    decoder->close();
    QCOMPARE(decoder->read(bytes, sizeof bytes), qint64(0));
    QCOMPARE(decoder->sampleRate(), 0);
    QCOMPARE(decoder->channelCount(), 0);
    QCOMPARE(decoder->sampleSize(), 16);
    QCOMPARE(decoder->durationMs(), qint64(0));
    QCOMPARE(decoder->positionMs(), qint64(0));
    QVERIFY(decoder->open(file(kCounter16)));
    QCOMPARE(decoder->sampleRate(), 44100);
}

QTEST_GUILESS_MAIN(TestWmfDecoder)
#include "tst_wmfdecoder.moc"
