#include "audio/audiooutputcontroller.h"
#include "audio/decoderfactory.h"
#include "audio/decoderiodevice.h"
#include "audio/ffmpegdecoder.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/pulsesupport.h"

#include <QAudioDeviceInfo>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace AudioSupport;
using namespace PulseSupport;

namespace {

// The album: the left channel names the track by its tone (track 1 ends with a 300 ms marker
// tone), the right channel counts frames, so a recording tells which file position was heard.
const double kTrack1Tone = 440;
const double kMarkerTone = 2500;
const double kTrack2Tone = 1000;
const double kTrack3Tone = 660;
const int kRate = 44100;

QString albumSource()
{
    return QStringLiteral(
        "aevalsrc=exprs='0.5*sin(2*PI*t*if(lt(t\\,1.7)\\,440\\,if(lt(t\\,2)\\,2500\\,"
        "if(lt(t\\,4)\\,1000\\,660))))|(mod(n\\,65536)-32768)/32768':s=44100:d=6");
}

TrackInfo track(const QString &path, int number, double start, double duration)
{
    TrackInfo info;
    info.number = number;
    info.title = QStringLiteral("Track %1").arg(number);
    info.startSeconds = start;
    info.durationSeconds = duration;
    info.filePath = path;
    info.fileType = QStringLiteral("flac");
    return info;
}

// A run of consecutive counter frames in the recording.
struct Run
{
    int index; // first recorded frame of the run
    int firstFrame; // counter value (file frame mod 65536) at its start
    int length;
};

QVector<Run> counterRuns(const QVector<qint16> &stereo, int minimumLength)
{
    QVector<Run> runs;
    const int frames = stereo.size() / 2;
    int start = 0;
    for (int i = 1; i <= frames; ++i) {
        const bool continues =
            i < frames && (stereo[2 * i + 1] - stereo[2 * i - 1] + 65536) % 65536 == 1;
        if (continues)
            continue;
        if (i - start >= minimumLength)
            runs.append({ start, stereo[2 * start + 1] + 32768, i - start });
        start = i;
    }
    return runs;
}

// Which of the tones sounds in each 10 ms window; -1 for none.
QVector<int> toneTimeline(const QVector<qint16> &stereo, const QVector<double> &tones)
{
    QVector<int> timeline;
    const int window = kRate / 100;
    for (int first = 0; first + window <= stereo.size() / 2; first += window) {
        int best = -1;
        double bestAmplitude = 0.02;
        for (int t = 0; t < tones.size(); ++t) {
            const double amplitude = toneAmplitude(stereo, 0, first, window, tones[t]);
            if (amplitude > bestAmplitude) {
                best = t;
                bestAmplitude = amplitude;
            }
        }
        timeline.append(best);
    }
    return timeline;
}

// Distance between two counter values, which repeat every 65 536 frames.
int frameDistance(int a, int b)
{
    return ((a - b) % 65536 + 65536 + 32768) % 65536 - 32768;
}

QStringList threadNames()
{
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll().trimmed());
    }
    return names;
}

bool engineThreadsRunning()
{
    // Thread names are cut to 15 characters.
    for (const QString &name : threadNames()) {
        if (name.startsWith(QLatin1String("AudioOutputThre"))
            || name.startsWith(QLatin1String("DecoderIODevice")))
            return true;
    }
    return false;
}

} // namespace

class TestPlaybackEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void advanceHearsWholeTrackThenNext();
    void seekLandsOnTarget_data();
    void seekLandsOnTarget();
    void pauseResumeContinues();
    void wholeFileEndsAtFileEnd();
    void cueTrackRangesAndTimers();
    void wholeFileRangesAndTimers();
    void fadeGains();
    void sixteenBitDecoderSoundsRight();
    void shutdownLeavesNoThread_data();
    void shutdownLeavesNoThread();

private:
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QVector<TrackInfo> album() const;

    PrivateServer m_pulse;
    QTemporaryDir m_dir;
};

void TestPlaybackEngine::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!m_pulse.start())
        QSKIP("no PulseAudio to play on");
    QVERIFY(encode(file("album.flac"), albumSource(), { "-c:a", "flac", "-sample_fmt", "s16" }));
    QVERIFY(encode(file("short.flac"),
        "aevalsrc=exprs='0.5*sin(2*PI*1000*t)|(mod(n\\,65536)-32768)/32768':s=44100:d=1",
        { "-c:a", "flac", "-sample_fmt", "s16" }));
    QVERIFY(encode(file("other.flac"), "aevalsrc=exprs='0.5*sin(2*PI*660*t)|0':s=44100:d=1",
        { "-c:a", "flac", "-sample_fmt", "s16" }));
    QVERIFY(
        encode(file("long.flac"), counterSource(400), { "-c:a", "flac", "-sample_fmt", "s16" }));
}

QVector<TrackInfo> TestPlaybackEngine::album() const
{
    const QString path = file("album.flac");
    return { track(path, 1, 0, 2), track(path, 2, 2, 2), track(path, 3, 4, 2) };
}

void TestPlaybackEngine::advanceHearsWholeTrackThenNext()
{
    PlaybackEngine engine;
    const QVector<TrackInfo> queue = album();
    engine.setPlayQueue(queue);
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&queue[0]);
    QVERIFY(engine.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(engine.currentIndex() == 1 && engine.positionMs() > 1200, 15000);
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    const QVector<int> timeline =
        toneTimeline(heard, { kTrack1Tone, kMarkerTone, kTrack2Tone, kTrack3Tone });
    const int firstMarker = timeline.indexOf(1);
    const int lastMarker = timeline.lastIndexOf(1);
    const int firstTrack2 = timeline.indexOf(2);
    QVERIFY2(timeline.count(0) >= 100, "track 1's tone");
    QVERIFY2(timeline.count(1) >= 15, "track 1's end marker");
    QVERIFY2(timeline.count(2) >= 30, "track 2's tone");
    QCOMPARE(timeline.count(3), 0);
    QVERIFY(timeline.lastIndexOf(0) < firstMarker);
    QVERIFY2(firstTrack2 > lastMarker, "no audio of track 2 before the switch");
}

void TestPlaybackEngine::seekLandsOnTarget_data()
{
    QTest::addColumn<bool>("mainSlider");
    QTest::newRow("main slider, output restarted") << true;
    QTest::newRow("playing view's slider") << false;
}

void TestPlaybackEngine::seekLandsOnTarget()
{
    QFETCH(bool, mainSlider);
    PlaybackEngine engine;
    engine.setFadeEnabled(false);
    const QVector<TrackInfo> queue = album();
    engine.setPlayQueue(queue);
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&queue[1]);
    QTRY_VERIFY(engine.positionMs() >= 300);
    engine.onPlayProgressSliderPressed();
    if (mainSlider)
        engine.onPlayProgressSliderReleased(1200);
    else
        engine.onPlayProgressBarReleased(1200);
    QTRY_VERIFY(engine.positionMs() >= 1600);
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    const QVector<Run> runs = counterRuns(heard, 441);
    QVERIFY(runs.size() >= 2);
    const int target = (3200 * kRate / 1000) % 65536;
    const Run &after = runs.last();
    const int late = frameDistance(after.firstFrame, target);
    QVERIFY2(late >= 0 && late <= kRate / 50,
        qPrintable(
            QStringLiteral("heard from frame %1, target %2").arg(after.firstFrame).arg(target)));
    // Before it: track 2 from its start, without anything of later positions.
    const Run &before = runs.at(runs.size() - 2);
    QVERIFY(before.firstFrame >= 2 * kRate % 65536);
    QVERIFY(before.firstFrame + before.length < 2 * kRate % 65536 + kRate);
}

void TestPlaybackEngine::pauseResumeContinues()
{
    PlaybackEngine engine;
    engine.setFadeEnabled(false);
    const QVector<TrackInfo> queue = album();
    engine.setPlayQueue(queue);
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&queue[1]);
    QTRY_VERIFY(engine.positionMs() >= 700);
    engine.pause();
    QVERIFY(engine.isPaused());
    const qint64 paused = engine.positionMs();
    QTest::qWait(300);
    QCOMPARE(engine.positionMs(), paused);
    engine.playSelected(nullptr);
    QVERIFY(engine.isPlaying());
    QTRY_VERIFY(engine.positionMs() >= paused + 500);
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    const QVector<Run> runs = counterRuns(heard, 441);
    QCOMPARE(runs.size(), 2);
    const int stoppedAt = runs[0].firstFrame + runs[0].length;
    const int resumedAt = runs[1].firstFrame;
    QVERIFY2(qAbs(frameDistance(resumedAt, stoppedAt)) <= kRate / 20,
        qPrintable(QStringLiteral("sound stopped at frame %1, resumed at %2")
                       .arg(stoppedAt)
                       .arg(resumedAt)));
    QVERIFY(runs[1].index > runs[0].index + runs[0].length + kRate / 10); // there was a pause
}

void TestPlaybackEngine::wholeFileEndsAtFileEnd()
{
    PlaybackEngine engine;
    engine.setFadeEnabled(false);
    TrackInfo first = track(file("short.flac"), 1, 0, 0);
    first.wholeFile = true;
    TrackInfo second = track(file("other.flac"), 2, 0, 0);
    second.wholeFile = true;
    engine.setPlayQueue({ first, second });
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&first);
    QCOMPARE(engine.progressMaximum(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(engine.currentIndex() == 1 && engine.positionMs() >= 700, 10000);
    QCOMPARE(engine.currentTitle(), QStringLiteral("other"));
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    const QVector<Run> runs = counterRuns(heard, 441);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].firstFrame + runs[0].length, kRate); // through the file's last frame
    const QVector<int> timeline = toneTimeline(heard, { kTrack2Tone, kTrack3Tone });
    QVERIFY(timeline.count(1) >= 20);
    QVERIFY(timeline.indexOf(1) > timeline.lastIndexOf(0));
}

void TestPlaybackEngine::cueTrackRangesAndTimers()
{
    PlaybackEngine engine;
    QSignalSpy ranges(&engine, &PlaybackEngine::progressRangeChanged);
    engine.playTrack(file("long.flac"), 205.49, 187.2);
    QVERIFY(engine.isPlaying());
    QCOMPARE(ranges.count(), 1);
    QCOMPARE(ranges.first().first().toInt(), 187200);
    const int remaining = engine.endTimerRemainingMs();
    QVERIFY2(remaining > 186000 && remaining <= 187200, qPrintable(QString::number(remaining)));
    // Playing from 205 490 ms: the heard position starts at the track's start.
    QTRY_VERIFY(engine.positionMs() > 0);
    QVERIFY(engine.positionMs() < 1500);

    // A backward seek re-arms the end timer with what is left from there.
    engine.onPlayProgressSliderPressed();
    engine.onPlayProgressSliderReleased(187200 - 5000);
    QVERIFY2(engine.endTimerRemainingMs() <= 5000,
        qPrintable(QString::number(engine.endTimerRemainingMs())));
    engine.onPlayProgressSliderPressed();
    engine.onPlayProgressSliderReleased(1000);
    QVERIFY(engine.endTimerRemainingMs() > 180000);
    QTRY_VERIFY(engine.positionMs() >= 1000);
    QVERIFY(engine.positionMs() < 2500);
}

void TestPlaybackEngine::wholeFileRangesAndTimers()
{
    PlaybackEngine engine;
    QSignalSpy ranges(&engine, &PlaybackEngine::progressRangeChanged);
    engine.playTrack(file("long.flac"), 0, 0);
    QCOMPARE(ranges.first().first().toInt(), 400000);
    QCOMPARE(engine.endTimerRemainingMs(), -1);
    QTRY_VERIFY(engine.positionMs() > 0);
    QVERIFY(engine.positionMs() < 1500);
}

void TestPlaybackEngine::fadeGains()
{
    PlaybackEngine engine;
    const QVector<TrackInfo> queue = album();
    engine.setPlayQueue(queue);
    engine.playSelected(&queue[1]);
    QCOMPARE(engine.fadeGain(2000 + 250), 250.0 / 600);
    QCOMPARE(engine.fadeGain(2000 + 1000), 1.0);
    QCOMPARE(engine.fadeGain(4000 - 200), 200.0 / 800);
    QCOMPARE(engine.fadeGain(4000 + 10), 1.0); // past the end the track no longer fades

    // The tick applies the gain of the heard position; paused, that position stands still.
    QTRY_VERIFY(engine.positionMs() >= 100);
    engine.pause();
    engine.onProgressTick();
    QCOMPARE(engine.volume(), engine.fadeGain(2000 + engine.positionMs()));
    // Resuming mid-track gives the volume back at once.
    engine.onPlayProgressSliderPressed();
    engine.onPlayProgressSliderReleased(1000);
    engine.resumePlayback();
    QCOMPARE(engine.volume(), 1.0);

    engine.playNextRequested();
    QTRY_COMPARE(engine.currentIndex(), 2);
    QVERIFY(engine.queueSwitched());
    QCOMPARE(engine.fadeGain(4000 + 250), 250.0 / 300);
    QCOMPARE(engine.fadeGain(6000 - 200), 200.0 / 800);
}

// A decoder that delivers 16-bit samples (as the platform decoders do), played on the float
// output the device negotiates, keeps its pitch and level.
void TestPlaybackEngine::sixteenBitDecoderSoundsRight()
{
    FFmpegDecoder decoder;
    QVERIFY(decoder.open(file("other.flac")));
    QVERIFY(decoder.configureOutput(1, 16));
    QAudioFormat format;
    format.setSampleRate(kRate);
    format.setChannelCount(2);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleSize(32);
    format.setSampleType(QAudioFormat::Float);
    QVERIFY(QAudioDeviceInfo::defaultOutputDevice().isFormatSupported(format));
    DecoderIODevice device(&decoder);
    device.setOutputFormat(32, 3);
    QVERIFY(device.open(QIODevice::ReadOnly));

    MonitorRecording recording;
    QVERIFY(recording.start());
    AudioOutputController output;
    output.start(format, DecoderFactory::bufferSizeBytes(format), &device, 1.0);
    QTRY_VERIFY(device.isFinished());
    QTest::qWait(400); // the output's buffer still plays
    const QVector<qint16> heard = recording.stop();
    output.shutdown();
    device.close();

    // 100 ms windows hold whole periods of the tone; the first and last loud ones are partly
    // silence.
    QVector<int> loud;
    for (int first = 0; first + 4410 <= heard.size() / 2; first += 4410) {
        if (toneAmplitude(heard, 0, first, 4410, kTrack3Tone) > 0.1)
            loud << first;
    }
    QVERIFY(loud.size() >= 9);
    for (int i = 1; i < loud.size() - 1; ++i) {
        const double amplitude = toneAmplitude(heard, 0, loud[i], 4410, kTrack3Tone);
        QVERIFY2(qAbs(amplitude - 0.5) < 0.01, qPrintable(QString::number(amplitude)));
        QVERIFY(toneAmplitude(heard, 0, loud[i], 4410, kTrack3Tone * 2) < 0.005);
        QVERIFY(toneAmplitude(heard, 1, loud[i], 4410, kTrack3Tone) < 0.005);
    }
}

void TestPlaybackEngine::shutdownLeavesNoThread_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("paused") << "paused";
    QTest::newRow("fade running") << "fade";
    QTest::newRow("device at the end of its stream") << "end";
}

void TestPlaybackEngine::shutdownLeavesNoThread()
{
    QFETCH(QString, situation);
    QTRY_VERIFY(!engineThreadsRunning());
    {
        PlaybackEngine engine;
        const QVector<TrackInfo> queue = album();
        engine.setPlayQueue(queue);
        engine.playSelected(&queue[0]);
        QTRY_VERIFY(engine.positionMs() > 100);
        QVERIFY(engineThreadsRunning());
        if (situation == "paused") {
            engine.pause();
            QVERIFY(engine.isPaused());
        } else if (situation == "fade") {
            engine.playNextRequested();
            QVERIFY(engine.isSwitching());
        } else {
            // Held slider: the engine does not advance while the decoder sits at its end.
            engine.playTrack(file("short.flac"), 0, 0);
            engine.onPlayProgressSliderPressed();
            QTRY_VERIFY(engine.positionMs() >= 1000);
        }
    }
    // A joined thread can linger in the task list for a moment; one still running stays.
    QTRY_VERIFY(!engineThreadsRunning());
}

QTEST_GUILESS_MAIN(TestPlaybackEngine)
#include "tst_playbackengine.moc"
