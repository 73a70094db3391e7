#include "audio/apedecoder.h"
#include "audio/decoderiodevice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/pulsesupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <tuple>

using namespace AudioSupport;
using namespace PulseSupport;

namespace {

const int kRate = 44100;

// A run of consecutive counter frames in the recording.
struct Run
{
    int firstFrame; // counter value (file frame mod 65536) at its start
    int length; // in file frames
    int lastIndex; // last recorded frame of the run
};

// Silence the output inserts while starved (a loaded machine) holds no file frame: judged by
// what is heard, it is skipped, and runs go on across it.
bool inserted(const QVector<qint16> &stereo, int i)
{
    return stereo[2 * i] == 0 && stereo[2 * i + 1] == 0;
}

QVector<Run> counterRuns(const QVector<qint16> &stereo, int minimumLength, int step = 1)
{
    QVector<Run> runs;
    for (int i = 0, previous = 0; i < stereo.size() / 2; ++i) {
        if (inserted(stereo, i))
            continue;
        const int value = stereo[2 * i + 1];
        if (!runs.isEmpty() && (value - previous + 65536) % 65536 == step)
            runs.last() = { runs.last().firstFrame, runs.last().length + 1, i };
        else
            runs.append({ value + 32768, 1, i });
        previous = value;
    }
    runs.erase(std::remove_if(runs.begin(), runs.end(),
                   [&](const Run &run) { return run.length < minimumLength; }),
        runs.end());
    return runs;
}

// Distance between two counter values, which repeat every 65 536 frames.
int frameDistance(int a, int b)
{
    return ((a - b) % 65536 + 65536 + 32768) % 65536 - 32768;
}

// Left channel 0.5 (full gain reads 16384), right the counter: the recording shows the gain
// and the file frame of every sample heard.
const QString kMarksSource =
    QStringLiteral("aevalsrc=exprs='0.5|(mod(n\\,65536)-32768)/32768':s=44100:d=9");
const int kFull = 16384;

// A frame known modulo 65 536, within 65 536 frames from `from`.
qint64 unwrap(int counter, qint64 from)
{
    return from + ((counter - from) % 65536 + 65536) % 65536;
}

// One track as heard in a recording of the marks file: from `searchFrom`, the samples around
// the first full-gain one that follow each other in the file, each with the gain of the fade
// envelope at its own file frame (fade-in from start over fadeIn frames, fade-out over fadeOut
// frames before end) and at full gain its own frame on the counter. Returns the first and last
// file frames; {-1, -1} when not found.
QPair<qint64, qint64> heardTrack(const QVector<qint16> &rec, int searchFrom, qint64 start,
    qint64 end, int fadeIn, int fadeOut, int *segmentEnd)
{
    const int frames = rec.size() / 2;
    int anchor = searchFrom;
    while (anchor < frames && rec[2 * anchor] != kFull)
        ++anchor;
    if (anchor >= frames)
        return { -1, -1 };
    const qint64 anchorFrame = unwrap(rec[2 * anchor + 1] + 32768, start);
    const auto matches = [&](int i, qint64 frame) {
        if (frame < start || (end >= 0 && frame >= end))
            return false;
        double gain = 1.0;
        if (fadeIn > 0 && frame - start < fadeIn)
            gain = double(frame - start) / fadeIn;
        if (fadeOut > 0 && end - frame < fadeOut)
            gain = qMin(gain, double(end - frame) / fadeOut);
        return qAbs(rec[2 * i] / double(kFull) - gain) <= 0.01
            && (gain < 1.0 || (rec[2 * i + 1] + 32768 - frame) % 65536 == 0);
    };
    qint64 bounds[2] = { anchorFrame, anchorFrame };
    *segmentEnd = anchor + 1;
    for (int step : { -1, 1 }) {
        qint64 &frame = bounds[step > 0];
        for (int i = anchor + step; i >= 0 && i < frames; i += step) {
            if (inserted(rec, i))
                continue;
            if (!matches(i, frame + step))
                break;
            frame += step;
            if (step > 0)
                *segmentEnd = i + 1;
        }
    }
    return { bounds[0], bounds[1] };
}

// An engine thread is in the task list (names are cut to 15 characters).
bool engineThreadsRunning()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        const QByteArray name = comm.open(QIODevice::ReadOnly) ? comm.readAll() : QByteArray();
        if (name.startsWith("AudioOutputThre") || name.startsWith("DecoderIODevice"))
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
    void seekLandsOnTarget_data();
    void seekLandsOnTarget();
    void pauseResumeContinues();
    void wholeFileEndsAtFileEnd();
    void cueTrackRangesAndTimers();
    void wholeFileRangesAndTimers();
    void fadeGains();
    void startsHeardOnTheSamples_data();
    void startsHeardOnTheSamples();
    void gaplessRunIsContinuous_data();
    void gaplessRunIsContinuous();
    void sixteenBitDecoderPlaysExactly();
    void failedSeekKeepsTheTrack();
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
    QVERIFY(encode(file("short.flac"),
        "aevalsrc=exprs='0.5*sin(2*PI*1000*t)|(mod(n\\,65536)-32768)/32768':s=44100:d=1",
        { "-c:a", "flac", "-sample_fmt", "s16" }));
    QVERIFY(
        encode(file("long.flac"), counterSource(400), { "-c:a", "flac", "-sample_fmt", "s16" }));
    QVERIFY(encode(file("marks.flac"), kMarksSource, { "-c:a", "flac", "-sample_fmt", "s16" }));
    // A per-file album whose counter runs on across its three files.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(encode(m_dir.filePath(QStringLiteral("part%1.flac").arg(i)),
            QStringLiteral("aevalsrc=exprs='0.5|(mod(n+%1\\,65536)-32768)/32768':s=44100:d=1.5")
                .arg(66150 * i),
            { "-c:a", "flac", "-sample_fmt", "s16" }));
    }
    QFile ramp(file("ramp.ape"));
    QVERIFY(ramp.open(QIODevice::WriteOnly));
    ramp.write("FAKEAPE 44100 2 16 88200\n");
    ramp.close();
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
}

QVector<TrackInfo> TestPlaybackEngine::album() const
{
    const QString path = file("marks.flac");
    return { track(path, 1, 0, 2), track(path, 2, 2, 2), track(path, 3, 4, 2) };
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
    QVERIFY(!runs.isEmpty());
    const int target = (3200 * kRate / 1000) % 65536;
    const Run &after = runs.last();
    const int late = frameDistance(after.firstFrame, target);
    QVERIFY2(late >= 0 && late <= kRate / 50,
        qPrintable(
            QStringLiteral("heard from frame %1, target %2").arg(after.firstFrame).arg(target)));
    // Before it: track 2 from its start, without anything of later positions.
    for (int i = 0; i + 1 < runs.size(); ++i) {
        QVERIFY(runs[i].firstFrame >= 2 * kRate % 65536);
        QVERIFY(runs[i].firstFrame + runs[i].length < 2 * kRate % 65536 + kRate);
    }
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

    // The longest silence is the pause; the file frames either side of it meet.
    int pause = 0, stoppedAt = 0, resumedAt = 0;
    for (int i = 0, last = -1; i < heard.size() / 2; ++i) {
        if (inserted(heard, i))
            continue;
        if (last >= 0 && i - last > pause)
            std::tie(pause, stoppedAt, resumedAt) =
                std::make_tuple(i - last, heard[2 * last + 1], heard[2 * i + 1]);
        last = i;
    }
    QVERIFY(pause > kRate / 10);
    QVERIFY2(qAbs(frameDistance(resumedAt, stoppedAt)) <= kRate / 20,
        qPrintable(QStringLiteral("sound stopped at frame %1, resumed at %2")
                       .arg(stoppedAt)
                       .arg(resumedAt)));
}

void TestPlaybackEngine::wholeFileEndsAtFileEnd()
{
    PlaybackEngine engine;
    engine.setFadeEnabled(false);
    TrackInfo first = track(file("short.flac"), 1, 0, 0);
    first.wholeFile = true;
    TrackInfo second = track(file("part1.flac"), 2, 0, 0);
    second.wholeFile = true;
    engine.setPlayQueue({ first, second });
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&first);
    QCOMPARE(engine.progressMaximum(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(engine.currentIndex() == 1 && engine.positionMs() >= 700, 10000);
    QCOMPARE(engine.currentTitle(), QStringLiteral("part1"));
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    // The first file through its last frame, then the second from its start.
    const QVector<Run> runs = counterRuns(heard, 441);
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0].firstFrame + runs[0].length, kRate);
    QVERIFY(frameDistance(runs[1].firstFrame, 66150) >= 0);
    QVERIFY(frameDistance(runs[1].firstFrame, 66150) <= 661);
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
    // The user's volume is the output's, kept in range; the fades stay on the samples.
    engine.setVolume(1.5);
    QCOMPARE(engine.volume(), 1.0);
    engine.setVolume(0.25);
    QCOMPARE(engine.volume(), 0.25);
    QCOMPARE(engine.fadeGain(2000 + 250), 250.0 / 600);

    engine.playNext();
    QTRY_COMPARE(engine.currentIndex(), 2);
    QVERIFY(engine.queueSwitched());
    QCOMPARE(engine.fadeGain(4000 + 250), 250.0 / 300);
    QCOMPARE(engine.fadeGain(6000 - 200), 200.0 / 800);
    QCOMPARE(engine.volume(), 0.25);
}

void TestPlaybackEngine::startsHeardOnTheSamples_data()
{
    QTest::addColumn<bool>("fades");
    QTest::newRow("fades on") << true;
    QTest::newRow("fades off") << false;
}

// Two CUE tracks starting off whole seconds, the first started by the user, the second by the
// automatic advance: each is heard from its first sample (a new recording may miss its first
// 15 ms), with the fade shaped by the samples' file positions, and the first ends on its last
// sample.
void TestPlaybackEngine::startsHeardOnTheSamples()
{
    QFETCH(bool, fades);
    const QString path = file("marks.flac");
    const double a = cueTimeToSeconds("00:02:12"); // long enough to reach full gain
    const double b = cueTimeToSeconds("00:06:37");
    const QVector<TrackInfo> queue = { track(path, 1, a, b - a), track(path, 2, b, 2) };
    PlaybackEngine engine;
    engine.setFadeEnabled(fades);
    engine.setPlayQueue(queue);
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&queue[0]);
    QTRY_VERIFY_WITH_TIMEOUT(engine.currentIndex() == 1 && engine.positionMs() > 800, 15000);
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    const qint64 startA = qint64(2 * 44100 + 12 * 588);
    const qint64 startB = qint64(6 * 44100 + 37 * 588);
    int after = 0;
    const auto first =
        heardTrack(heard, 0, startA, startB, fades ? 26460 : 0, fades ? 35280 : 0, &after);
    QVERIFY2(first.first >= startA && first.first <= startA + 661,
        qPrintable(QStringLiteral("track 1 heard from frame %1").arg(first.first)));
    // Its last sample, or with the fade-out one whose gain rounds to silence.
    QVERIFY2(first.second <= startB - 1 && first.second >= startB - (fades ? 3 : 1),
        qPrintable(QStringLiteral("track 1 heard to frame %1").arg(first.second)));
    const auto second = heardTrack(heard, after, startB, -1, fades ? 13230 : 0, 0, &after);
    // A new stream's first milliseconds can be missing from a recording.
    QVERIFY2(second.first >= startB && second.first <= startB + 661,
        qPrintable(QStringLiteral("track 2 heard from frame %1").arg(second.first)));
}

void TestPlaybackEngine::gaplessRunIsContinuous_data()
{
    QTest::addColumn<QVector<TrackInfo>>("queue");
    QTest::addColumn<qint64>("third"); // where track 3 starts, counted from track 1's file
    const QString path = file("marks.flac");
    const QStringList starts = { "00:01:20", "00:02:71", "00:04:05", "00:08:00" };
    QVector<TrackInfo> queue;
    for (int i = 0; i < 3; ++i) {
        const double start = cueTimeToSeconds(starts[i]);
        queue << track(path, i + 1, start, cueTimeToSeconds(starts[i + 1]) - start);
    }
    QTest::newRow("one file") << queue << DecoderIODevice::frameAt(queue[2].startSeconds, kRate);
    // To the file's end, a sheet's range of a whole file, to the file's end.
    QTest::newRow("next files") << QVector<TrackInfo>({ track(file("part0.flac"), 1, 0, 0),
        track(file("part1.flac"), 2, 0, 1.5), track(file("part2.flac"), 3, 0, 0) })
                                << qint64(2 * 66150);
}

// Gapless: tracks 1, 2 and 3 are heard as one stream, every sample once and at full level across
// the joins, and the window moves on at each boundary.
void TestPlaybackEngine::gaplessRunIsContinuous()
{
    QFETCH(QVector<TrackInfo>, queue);
    QFETCH(qint64, third);
    PlaybackEngine engine;
    engine.setGaplessEnabled(true);
    engine.setPlayQueue(queue);
    QVector<qint64> rowsAt; // position within the new track when the window moved to it
    QVector<int> rows;
    connect(&engine, &PlaybackEngine::playingRowChanged, &engine, [&](int row) {
        rows << row;
        rowsAt << engine.positionMs();
    });
    QSignalSpy started(&engine, &PlaybackEngine::trackStarted);
    MonitorRecording recording;
    QVERIFY(recording.start());
    engine.playSelected(&queue[0]);
    QTRY_VERIFY_WITH_TIMEOUT(engine.currentIndex() == 2 && engine.positionMs() > 500, 10000);
    const QVector<qint16> heard = recording.stop();
    engine.stopPlayback();

    QCOMPARE(rows, QVector<int>({ 0, 1, 2 }));
    QVERIFY2(rowsAt[1] >= 0 && rowsAt[1] < 500 && rowsAt[2] >= 0 && rowsAt[2] < 500,
        qPrintable(
            QStringLiteral("moved %1 and %2 ms into the tracks").arg(rowsAt[1]).arg(rowsAt[2])));
    QCOMPARE(started.count(), 3);
    QCOMPARE(started.at(2).at(1).toString(), QStringLiteral("Track 3"));
    const qint64 start = DecoderIODevice::frameAt(queue[0].startSeconds, kRate);
    int after = 0;
    // One segment from the first track's fade-in into the third track, at full gain between.
    const auto run = heardTrack(heard, 0, start, -1, 26460, 0, &after);
    QVERIFY2(run.first >= start && run.first <= start + 661 && run.second > third + 4410,
        qPrintable(QStringLiteral("heard frames %1 to %2").arg(run.first).arg(run.second)));
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
    QCOMPARE(heard[2 * run.lastIndex + 1], qint16(quint16(2 * lastBlock + 1)));
    QCOMPARE(heard[2 * run.lastIndex], qint16(quint16(2 * lastBlock)));
}

// A decoder that cannot seek: the slider's seek changes nothing, the end timer included.
void TestPlaybackEngine::failedSeekKeepsTheTrack()
{
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_noseek));
    PlaybackEngine engine;
    engine.playTrack(file("ramp.ape"), 0, 2);
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
    QVERIFY(engine.isPlaying());
    QTRY_VERIFY(engine.positionMs() > 100);
    engine.onPlayProgressSliderPressed();
    engine.onPlayProgressSliderReleased(1900);
    QVERIFY2(engine.endTimerRemainingMs() > 500,
        qPrintable(QString::number(engine.endTimerRemainingMs())));
    QVERIFY(engine.positionMs() < 1500);
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
