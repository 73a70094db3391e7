#include "audio/apedecoder.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace AudioSupport;
using namespace PulseSupport;
using Envelopes = QVector<Envelope>;
Q_DECLARE_METATYPE(Envelopes)

namespace {

const int kRate = 44100;
const int kLate = 661; // a new recording or stream may miss its first 15 ms

QString stateOf(const PlaybackEngine &engine)
{
    if (engine.isPlaying())
        return QStringLiteral("playing");
    return engine.isPaused() ? QStringLiteral("paused") : QStringLiteral("stopped");
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

QString range(const QPair<qint64, qint64> &run)
{
    return QStringLiteral("heard frames %1 to %2").arg(run.first).arg(run.second);
}

} // namespace

class TestPlaybackEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hearsTracks_data();
    void hearsTracks();
    void interruptionsHeard_data();
    void interruptionsHeard();
    void rangesAndTimers();
    void fadeGains();
    void stateTable_data();
    void stateTable();
    void interruptedSwitch_data();
    void interruptedSwitch();
    void pausedSeeks();
    void silentQueueStopsAfterOneRound();

private:
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    // "stopped" with no current entry, or "playing"/"paused" on entry `at`.
    void bringTo(const QString &state, int at = 1);
    void act(const QString &event);
    void playRecorded(const QVector<TrackInfo> &queue, bool fades, QVector<qint16> *heard,
        const std::function<bool()> &done, const std::function<void()> &during = {});

    PrivateServer m_pulse;
    QTemporaryDir m_dir;
    QVector<TrackInfo> m_album; // three 2 s tracks of marks.flac
    PlaybackEngine *m_engine = nullptr;
};

void TestPlaybackEngine::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!m_pulse.start())
        QSKIP("no PulseAudio to play on");
    using TestSupport::makeAudio;
    QVERIFY(makeAudio(file("long.flac"), counterSource(400), flac16()));
    QVERIFY(makeAudio(file("marks.flac"), marksSource(9), flac16()));
    // A per-file album whose counter runs on across its three files.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(makeAudio(m_dir.filePath(QStringLiteral("part%1.flac").arg(i)),
            marksSource(1.5, 66150 * i), flac16()));
    }
    QVERIFY(writeFile(file("marks.ape"), "FAKEAPE 44100 2 16 88200 marks\n"));
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
    const QString marks = file("marks.flac");
    m_album = { track(marks, 1, 0, 2), track(marks, 2, 2, 2), track(marks, 3, 4, 2) };
}

void TestPlaybackEngine::init()
{
    m_engine = new PlaybackEngine;
    m_engine->setPlayQueue(m_album);
}

void TestPlaybackEngine::cleanup()
{
    delete m_engine;
    m_engine = nullptr;
    // Whatever state a test leaves, no engine thread outlives it (a joined one may linger).
    QTRY_VERIFY(!engineThreadsRunning());
}

void TestPlaybackEngine::bringTo(const QString &state, int at)
{
    if (state == "stopped")
        return;
    m_engine->playSelected(&m_album[at]);
    // Past what the output holds (200 ms), so some of it has been heard.
    QTRY_VERIFY(m_engine->positionMs() > 400);
    if (state == "paused")
        m_engine->pause();
    QCOMPARE(stateOf(*m_engine), state);
}

void TestPlaybackEngine::act(const QString &event)
{
    if (event == "pause")
        m_engine->pause();
    else if (event == "next")
        m_engine->playNext();
    else if (event == "previous")
        m_engine->playPrevious();
    else if (event == "stop")
        m_engine->stopPlayback();
    else if (event == "play none")
        m_engine->playSelected(nullptr);
    else if (event.startsWith("play"))
        m_engine->playSelected(&m_album[event == "play same" ? 1 : 0]);
    else // the queue replaced while playing
        m_engine->setPlayQueue(event == "empty" ? QVector<TrackInfo>() : m_album.mid(0, 1));
}

// Records the queue played until `done` (at most 15 s), calling `during` 700 ms into it.
void TestPlaybackEngine::playRecorded(const QVector<TrackInfo> &queue, bool fades,
    QVector<qint16> *heard, const std::function<bool()> &done, const std::function<void()> &during)
{
    m_engine->setFadeEnabled(fades);
    m_engine->setPlayQueue(queue);
    MonitorRecording recording;
    QVERIFY(recording.start());
    m_engine->playSelected(&queue[0]);
    if (during) {
        QTRY_VERIFY_WITH_TIMEOUT(m_engine->positionMs() >= 700, 10000);
        during();
    }
    QTRY_VERIFY_WITH_TIMEOUT(done(), 15000);
    *heard = recording.stop();
    m_engine->stopPlayback();
}

void TestPlaybackEngine::hearsTracks_data()
{
    QTest::addColumn<QVector<TrackInfo>>("queue");
    QTest::addColumn<bool>("gapless");
    QTest::addColumn<bool>("fades");
    QTest::addColumn<Envelopes>("heard"); // in counter frames, in the order heard
    QTest::addColumn<bool>("hidden"); // no window shows the progress
    QTest::addColumn<bool>("frames"); // the meter's 16 ms frames fetch levels

    // CUE starts off whole seconds; these x 44 100 fall just below their frames in doubles.
    const QString marks = file("marks.flac");
    const double a = cueTimeToSeconds("00:02:11");
    const double b = cueTimeToSeconds("00:05:45");
    const QVector<TrackInfo> cue = { track(marks, 1, a, b - a), track(marks, 2, b, 2) };
    const qint64 startA = 2 * 44100 + 11 * 588;
    const qint64 startB = 5 * 44100 + 45 * 588;
    QTest::newRow("cue tracks, fades on")
        << cue << false << true
        << Envelopes { { startA, startB, 26460, 35280 }, { startB, startB + 17640, 13230, 0 } }
        << false << false;
    QTest::newRow("cue tracks, fades on, meter frames")
        << cue << false << true
        << Envelopes { { startA, startB, 26460, 35280 }, { startB, startB + 17640, 13230, 0 } }
        << false << true;
    QTest::newRow("cue tracks, fades off")
        << cue << false << false
        << Envelopes { { startA, startB, 0, 0 }, { startB, startB + 4410, 0, 0 } } << false
        << false;
    TrackInfo first = track(file("part0.flac"), 1, 0, 0);
    TrackInfo second = track(file("part1.flac"), 2, 0, 0);
    first.wholeFile = second.wholeFile = true;
    QTest::newRow("whole file to its last frame, then the next")
        << QVector<TrackInfo> { first, second } << false << true
        << Envelopes { { 0, 66150, 26460, 0 }, { 66150, 66150 + 17640, 13230, 0 } } << false
        << false;
    // The Monkey's Audio stand-in delivers 16-bit samples, the output takes float.
    TrackInfo ape = track(file("marks.ape"), 1, 0, 0);
    ape.wholeFile = true;
    QTest::newRow("16-bit decoder, whole file, window hidden")
        << QVector<TrackInfo> { ape, second } << false << true
        << Envelopes { { 0, 88200, 26460, 0 }, { 66150, 66150 + 17640, 13230, 0 } } << true
        << false;
    // Gapless: one run from the first track's fade-in into the third, every sample once.
    const QStringList starts = { "00:01:27", "00:02:31", "00:04:16", "00:08:00" };
    QVector<TrackInfo> joined;
    for (int i = 0; i < 3; ++i) {
        const double start = cueTimeToSeconds(starts[i]);
        joined << track(marks, i + 1, start, cueTimeToSeconds(starts[i + 1]) - start);
    }
    const qint64 third = 4 * kRate + 16 * 588;
    QTest::newRow("gapless, one file")
        << joined << true << true << Envelopes { { kRate + 27 * 588, third + 4410, 26460, 0 } }
        << false << false;
    // To the file's end, a sheet's range of a whole file, to the file's end.
    QTest::newRow("gapless, next files")
        << QVector<TrackInfo>(
               { first, track(file("part1.flac"), 2, 0, 1.5), track(file("part2.flac"), 3, 0, 0) })
        << true << true << Envelopes { { 0, 2 * 66150 + 4410, 26460, 0 } } << false << false;
}

void TestPlaybackEngine::hearsTracks()
{
    QFETCH(QVector<TrackInfo>, queue);
    QFETCH(bool, gapless);
    QFETCH(bool, fades);
    QFETCH(Envelopes, heard);
    QFETCH(bool, hidden);
    QFETCH(bool, frames);
    m_engine->setGaplessEnabled(gapless);
    m_engine->setProgressWanted(!hidden);
    int shown = 0;
    connect(m_engine, &PlaybackEngine::progressChanged, m_engine, [&] { ++shown; });
    QTimer meter;
    meter.setInterval(16);
    connect(&meter, &QTimer::timeout, m_engine, &PlaybackEngine::publishLevel);
    if (frames)
        meter.start();
    QElapsedTimer played;
    played.start();
    QVector<int> rows;
    QVector<qint64> rowsAt; // position within the new track when the window moved to it
    connect(m_engine, &PlaybackEngine::playingRowChanged, m_engine, [&](int row) {
        rows << row;
        rowsAt << m_engine->positionMs();
    });
    const int last = queue.size() - 1;
    QVector<qint16> rec;
    playRecorded(queue, fades, &rec,
        [&] { return m_engine->currentIndex() == last && m_engine->positionMs() > 1000; });
    QVERIFY(!rec.isEmpty());
    // 2.5 s or more played: ten looks a second when shown (taken at a frame when one comes
    // first, not at every frame), a few when hidden.
    QVERIFY2(hidden ? shown <= 12 : shown >= 15 && shown <= played.elapsed() / 80 + 2,
        qPrintable(QString::number(shown)));

    QCOMPARE(rows.size(), queue.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i], i);
        QVERIFY2(rowsAt[i] >= 0 && rowsAt[i] < 500, qPrintable(QString::number(rowsAt[i])));
    }
    int from = 0;
    for (const Envelope &e : heard) {
        const auto run = heardRun(rec, &from, e);
        // To its last sample, or with a fade-out one whose gain rounds to silence.
        QVERIFY2(run.first >= e.start && run.first <= e.start + kLate && run.second <= e.end - 1
                && run.second >= e.end - (e.fadeOut ? 3 : 1),
            qPrintable(range(run)));
    }
}

void TestPlaybackEngine::interruptionsHeard_data()
{
    QTest::addColumn<QString>("event");
    QTest::newRow("seek, main slider, output restarted") << "main slider";
    QTest::newRow("seek, playing view's slider") << "view slider";
    QTest::newRow("pause and resume") << "pause";
    QTest::newRow("next: the switch ramp") << "next";
}

// Track 2 heard from its start, then from the seek's target frame, from where a pause stopped,
// or falling over the 300 ms switch ramp into track 3's first sample.
void TestPlaybackEngine::interruptionsHeard()
{
    QFETCH(QString, event);
    qint64 resumeAt = 2 * kRate + 1200 * kRate / 1000;
    const auto during = [&] {
        if (event == "pause") {
            m_engine->pause();
            QVERIFY(m_engine->isPaused());
            resumeAt = 2 * kRate + m_engine->positionMs() * kRate / 1000;
            m_engine->playSelected(nullptr);
            QVERIFY(m_engine->isPlaying());
            return;
        }
        if (event == "next")
            return m_engine->playNext();
        m_engine->onPlayProgressSliderPressed();
        if (event == "main slider")
            m_engine->onPlayProgressSliderReleased(1200);
        else
            m_engine->onPlayProgressBarReleased(1200);
    };
    QVector<qint16> rec;
    const int last = event == "next" ? 1 : 0;
    playRecorded(
        m_album.mid(1), false, &rec,
        [&] { return m_engine->currentIndex() == last && m_engine->positionMs() >= 1600; }, during);
    QVERIFY(!rec.isEmpty());

    int from = 0;
    const Envelope track2 { 2 * kRate, 4 * kRate, 0, 0 };
    const auto before = heardRun(rec, &from, track2);
    QVERIFY2(before.first >= track2.start && before.first <= track2.start + kLate,
        qPrintable(range(before)));
    if (event == "next") {
        // Every sample below full gain, none louder than the one before, to near silence.
        int ramp = 0;
        qint16 previous = kFull;
        for (; from < rec.size() / 2; ++from) {
            const qint16 level = rec[2 * from];
            if ((level == 0 && rec[2 * from + 1] == 0) || (level == kFull && ramp == 0))
                continue;
            if (level == kFull)
                break; // the next track
            QVERIFY2(level <= previous, qPrintable(QStringLiteral("rises at %1").arg(from)));
            previous = level;
            ++ramp;
        }
        QVERIFY2(ramp > 13230 * 85 / 100 && ramp <= 13230, qPrintable(QString::number(ramp)));
        QVERIFY2(previous < kFull / 10, qPrintable(QString::number(previous)));
        const auto next = heardRun(rec, &from, { 4 * kRate, 4 * kRate + 4410, 0, 0 });
        QVERIFY2(
            next.first >= 4 * kRate && next.first <= 4 * kRate + kLate, qPrintable(range(next)));
        return;
    }
    const auto after = heardRun(rec, &from, track2);
    if (event == "pause") {
        // Resumed within 50 ms of where it stopped, or without any seam at all.
        QVERIFY2(after.first < 0 || qAbs(after.first - before.second) <= kRate / 20,
            qPrintable(range(before) + QStringLiteral(", then ") + range(after)));
        QVERIFY(qMax(before.second, after.second) > resumeAt + kRate / 4);
    } else {
        QVERIFY(before.second < resumeAt);
        QVERIFY2(after.first >= resumeAt && after.first <= resumeAt + kRate / 50,
            qPrintable(range(after)));
    }
}

void TestPlaybackEngine::rangesAndTimers()
{
    QSignalSpy ranges(m_engine, &PlaybackEngine::progressRangeChanged);
    m_engine->playTrack(file("long.flac"), 0, 0);
    QCOMPARE(ranges.last().first().toInt(), 400000);
    QCOMPARE(m_engine->endTimerRemainingMs(), -1);
    // To the end from 205 506.67 ms, rounded.
    m_engine->playTrack(file("long.flac"), cueTimeToSeconds("03:25:38"), 0);
    QCOMPARE(ranges.last().first().toInt(), 400000 - 205507);

    // The heard position starts at the track's start.
    m_engine->playTrack(file("long.flac"), 205.49, 187.2);
    QVERIFY(m_engine->isPlaying());
    QCOMPARE(ranges.last().first().toInt(), 187200);
    const int remaining = m_engine->endTimerRemainingMs();
    QVERIFY2(remaining > 186000 && remaining <= 187200, qPrintable(QString::number(remaining)));
    QTRY_VERIFY(m_engine->positionMs() > 0);
    QVERIFY(m_engine->positionMs() < 1500);
    // A seek re-arms the end timer with what is left from there, backwards too.
    m_engine->onPlayProgressSliderPressed();
    m_engine->onPlayProgressSliderReleased(187200 - 5000);
    QVERIFY2(m_engine->endTimerRemainingMs() <= 5000,
        qPrintable(QString::number(m_engine->endTimerRemainingMs())));
    m_engine->onPlayProgressSliderPressed();
    m_engine->onPlayProgressSliderReleased(1000);
    QVERIFY(m_engine->endTimerRemainingMs() > 180000);
    QTRY_VERIFY(m_engine->positionMs() >= 1000);
    QVERIFY(m_engine->positionMs() < 2500);

    // A decoder that cannot seek: the slider's seek changes nothing, the end timer included.
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_noseek));
    m_engine->playTrack(file("marks.ape"), 0, 2);
    ApeDecoder::setLibraryPath(QStringLiteral(FAKEMAC_second));
    QCOMPARE(
        m_engine->outputFormat().sampleType(), QAudioFormat::Float); // 16-bit samples converted
    QTRY_VERIFY(m_engine->positionMs() > 100);
    m_engine->onPlayProgressSliderPressed();
    m_engine->onPlayProgressSliderReleased(1900);
    QVERIFY(m_engine->endTimerRemainingMs() > 500);
    QVERIFY(m_engine->positionMs() < 1500);
}

void TestPlaybackEngine::fadeGains()
{
    m_engine->playSelected(&m_album[1]);
    QCOMPARE(m_engine->fadeGain(2000 + 250), 250.0 / 600);
    QCOMPARE(m_engine->fadeGain(2000 + 1000), 1.0);
    QCOMPARE(m_engine->fadeGain(4000 - 200), 200.0 / 800);
    QCOMPARE(m_engine->fadeGain(4000 + 10), 1.0); // past the end the track no longer fades
    // The user's volume is the output's; the fades stay on the samples.
    m_engine->setVolume(0.25);
    m_engine->playNext();
    QTRY_COMPARE(m_engine->currentIndex(), 2);
    QVERIFY(m_engine->queueSwitched());
    QCOMPARE(m_engine->fadeGain(4000 + 250), 250.0 / 300);
    QCOMPARE(m_engine->fadeGain(6000 - 200), 200.0 / 800);
    QCOMPARE(m_engine->volume(), 0.25);
    m_engine->playNext(); // and the engine goes while the switch ramp runs
    QVERIFY(m_engine->isSwitching());
}

void TestPlaybackEngine::stateTable_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("fadesFirst");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("fromStart"); // the track starts over rather than continuing

    const auto row = [](const char *name, const char *from, const char *event, bool fadesFirst,
                         const char *to, int index, bool fromStart, int at = 1) {
        QTest::newRow(name) << from << at << event << fadesFirst << to << index << fromStart;
    };
    row("stopped, play a row", "stopped", "play first", false, "playing", 0, true);
    row("stopped, next", "stopped", "next", false, "playing", 0, true);
    row("stopped, previous", "stopped", "previous", false, "playing", 2, true);
    row("playing, pause", "playing", "pause", false, "paused", 1, false);
    row("paused, play without a row", "paused", "play none", false, "playing", 1, false);
    row("paused, play the paused row", "paused", "play same", false, "playing", 1, false);
    row("paused, play another row", "paused", "play first", false, "playing", 0, true);
    row("playing, next", "playing", "next", true, "playing", 2, true);
    row("playing, previous", "playing", "previous", true, "playing", 0, true);
    row("paused, next", "paused", "next", false, "playing", 2, true);
    row("paused, previous", "paused", "previous", false, "playing", 0, true);
    row("playing, play the same row", "playing", "play same", false, "playing", 1, true);
    row("playing, stop", "playing", "stop", false, "stopped", 1, false);
    row("paused, stop", "paused", "stop", false, "stopped", 1, false);
    row("next on the last entry wraps", "playing", "next", true, "playing", 0, true, 2);
    row("previous on the first entry wraps", "playing", "previous", true, "playing", 2, true, 0);
}

void TestPlaybackEngine::stateTable()
{
    QFETCH(QString, from);
    QFETCH(int, at);
    QFETCH(QString, event);
    QFETCH(bool, fadesFirst);
    QFETCH(QString, to);
    QFETCH(int, index);
    QFETCH(bool, fromStart);

    bringTo(from, at);
    const int indexBefore = m_engine->currentIndex();
    // Let the position get well past a fresh start, so a restart shows.
    if (from == "playing")
        QTRY_VERIFY(m_engine->positionMs() > 800);
    QSignalSpy playing(m_engine, &PlaybackEngine::playingChanged);
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    act(event);
    if (fadesFirst) {
        // The old track fades out first; the switch follows.
        QCOMPARE(m_engine->currentIndex(), indexBefore);
        QVERIFY(m_engine->isPlaying());
        QTRY_COMPARE(m_engine->currentIndex(), index);
    }
    QCOMPARE(m_engine->currentIndex(), index);
    QCOMPARE(stateOf(*m_engine), to);
    QCOMPARE(started.count(), fromStart ? 1 : 0);
    QVERIFY(!playing.isEmpty());
    QCOMPARE(playing.last().first().toBool(), to == "playing");
    if (to == "playing") {
        QCOMPARE(m_engine->trackStart(), m_album[index].startSeconds);
        const qint64 position = m_engine->positionMs();
        QVERIFY2(fromStart ? position < 600 : position > 50, qPrintable(QString::number(position)));
    }
}

void TestPlaybackEngine::interruptedSwitch_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("state"); // once the switch is over
    QTest::addColumn<int>("index");
    const auto row = [](const char *name, const char *event, const char *state, int index) {
        QTest::newRow(name) << event << state << index;
    };
    row("next again switches once", "next", "playing", 2);
    row("stop", "stop", "stopped", 1);
    row("a new start", "play first", "playing", 0);
    row("another fade", "previous", "playing", 0);
    row("pause: done, paused at the start", "pause", "paused", 2);
    row("queue replaced", "replace", "playing", -1);
    row("queue emptied", "empty", "playing", -1);
}

// What happens during Next's fade-out is neither lost, nor done twice, nor out of range.
void TestPlaybackEngine::interruptedSwitch()
{
    QFETCH(QString, event);
    QFETCH(QString, state);
    QFETCH(int, index);
    bringTo(QStringLiteral("playing"));
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    m_engine->playNext();
    QVERIFY(m_engine->isSwitching());
    act(event);
    if (event == "stop" || event == "play first" || event == "pause")
        QVERIFY(!m_engine->isSwitching());
    QTRY_VERIFY(!m_engine->isSwitching());
    QTRY_COMPARE(m_engine->currentIndex(), index);
    QCOMPARE(stateOf(*m_engine), state);
    const int starts = started.count();
    if (state == "paused") {
        // At the new track's start, past at most what the sound server took before the pause.
        QVERIFY2(
            m_engine->positionMs() <= 200, qPrintable(QString::number(m_engine->positionMs())));
        m_engine->playSelected(nullptr);
    }
    // Long enough for an abandoned switch to show by a start of its own.
    QTRY_VERIFY(m_engine->positionMs() > 800 || state == "stopped");
    QCOMPARE(started.count(), starts);
    m_engine->playNext();
    if (event == "empty") {
        QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
        return;
    }
    const int next = m_engine->playQueue().size() == 1 ? 0 : (qMax(index, 0) + 1) % 3;
    QTRY_COMPARE(m_engine->currentIndex(), next);
    QVERIFY(m_engine->isPlaying());
    QCOMPARE(m_engine->trackStart(), m_engine->playQueue().at(next).startSeconds);
}

// Pausing again keeps the position; a seek to the end while paused leaves Play nothing.
void TestPlaybackEngine::pausedSeeks()
{
    bringTo(QStringLiteral("paused"));
    const qint64 paused = m_engine->pausedPositionMs();
    QVERIFY(paused > 2000);
    m_engine->pause();
    QCOMPARE(m_engine->pausedPositionMs(), paused);
    m_engine->onPlayProgressSliderPressed();
    m_engine->onPlayProgressSliderReleased(2000);
    QVERIFY(m_engine->isPaused());
    QCOMPARE(m_engine->pausedPositionMs(), qint64(4000));
    m_engine->playSelected(nullptr);
    QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
}

// Tracks that give no audio (a header-only file, a range past the file's end) are each tried
// once; then playback stops and says so.
void TestPlaybackEngine::silentQueueStopsAfterOneRound()
{
    const QString empty = file("empty.wav");
    QVERIFY(TestSupport::makeAudio(empty, QStringLiteral("anullsrc=r=44100:cl=stereo:d=0"),
        { "-t", "0", "-c:a", "pcm_s16le" }));
    const QVector<TrackInfo> queue = { track(empty, 1, 0, 0), track(file("marks.flac"), 2, 20, 5) };
    m_engine->setPlayQueue(queue);
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    QSignalSpy messages(m_engine, &PlaybackEngine::informationRequested);
    m_engine->playSelected(&queue[0]);
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 10000);
    QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
    QCOMPARE(started.count(), 2);
}

QTEST_GUILESS_MAIN(TestPlaybackEngine)
#include "tst_playbackengine.moc"
