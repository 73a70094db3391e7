#include "audio/apedecoder.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/pulsesupport.h"

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

// A run of consecutive counter frames in the recording.
struct Run
{
    int index; // first recorded frame of the run
    int firstFrame; // counter value (file frame mod 65536) at its start
    int length;
};

QVector<Run> counterRuns(const QVector<qint16> &stereo, int minimumLength, int step = 1)
{
    QVector<Run> runs;
    const int frames = stereo.size() / 2;
    int start = 0;
    for (int i = 1; i <= frames; ++i) {
        const bool continues =
            i < frames && (stereo[2 * i + 1] - stereo[2 * i - 1] + 65536) % 65536 == step;
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
    void switchFadeOwnsTheVolume();
    void sixteenBitDecoderPlaysExactly();
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
    QFile ramp(file("ramp.ape"));
    QVERIFY(ramp.open(QIODevice::WriteOnly));
    ramp.write("FAKEAPE 44100 2 16 88200\n");
    ramp.close();
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
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

    engine.playNext();
    QTRY_COMPARE(engine.currentIndex(), 2);
    QVERIFY(engine.queueSwitched());
    QCOMPARE(engine.fadeGain(4000 + 250), 250.0 / 300);
    QCOMPARE(engine.fadeGain(6000 - 200), 200.0 / 800);
}

// While the switch fade-out runs, the progress tick leaves the volume to it: it only falls.
void TestPlaybackEngine::switchFadeOwnsTheVolume()
{
    PlaybackEngine engine;
    const QVector<TrackInfo> queue = album();
    engine.setPlayQueue(queue);
    engine.playSelected(&queue[1]);
    QTRY_VERIFY(engine.positionMs() > 700 && engine.volume() == 1.0);
    engine.playNext();
    double last = engine.volume();
    int steps = 0;
    while (engine.isSwitching()) {
        QTest::qWait(5);
        if (!engine.isSwitching())
            break;
        QVERIFY2(engine.volume() <= last, qPrintable(QString::number(engine.volume())));
        last = engine.volume();
        ++steps;
    }
    QVERIFY(steps > 10); // the ramp spans several ticks
    QCOMPARE(engine.currentIndex(), 2);
}

// The Monkey's Audio decoder delivers the file's 16-bit samples while the output takes float:
// every sample arrives unchanged, to the file's last. The stand-in library decodes sample c of
// block b as 2 b + c (low 16 bits).
void TestPlaybackEngine::sixteenBitDecoderPlaysExactly()
{
    PlaybackEngine engine;
    engine.setFadeEnabled(false);
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playTrack(file("ramp.ape"), 0, 0);
    QVERIFY(engine.isPlaying());
    QCOMPARE(engine.outputFormat().sampleType(), QAudioFormat::Float);
    QCOMPARE(engine.progressMaximum(), 2000);
    // With nothing queued the engine stops at the end, once the output has played it out.
    QTRY_VERIFY_WITH_TIMEOUT(!engine.isPlaying(), 10000);
    QVERIFY(!engine.isPaused());
    const QVector<qint16> heard = recording.stop();

    const QVector<Run> runs = counterRuns(heard, 441, 2);
    QCOMPARE(runs.size(), 1);
    const Run &run = runs.first();
    QVERIFY(run.length > 2 * kRate - kRate / 50);
    const qint64 lastBlock = 2 * kRate - 1;
    QCOMPARE(heard[2 * (run.index + run.length - 1) + 1], qint16(quint16(2 * lastBlock + 1)));
    QCOMPARE(heard[2 * (run.index + run.length - 1)], qint16(quint16(2 * lastBlock)));
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
            engine.playNext();
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
