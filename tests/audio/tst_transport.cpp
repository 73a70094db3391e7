#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/pulsesupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using AudioSupport::track;

namespace {

QString stateOf(const PlaybackEngine &engine)
{
    if (engine.isPlaying())
        return QStringLiteral("playing");
    return engine.isPaused() ? QStringLiteral("paused") : QStringLiteral("stopped");
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void stateTable_data();
    void stateTable();
    void wrapAround_data();
    void wrapAround();
    void emptyQueue();
    void nextTwiceWithinFadeSwitchesOnce();
    void abandonedSwitchReleasesGuard_data();
    void abandonedSwitchReleasesGuard();
    void switchFadeInterrupted_data();
    void switchFadeInterrupted();
    void silentQueueStopsAfterOneRound();
    void pauseWhilePausedKeepsPosition();
    void resumeWithNoTimeLeftStops();
    void indexOfTrack_data();
    void indexOfTrack();
    void wholeFileTitle();
    void messages_data();
    void messages();

private:
    void bringTo(const QString &state);

    PulseSupport::PrivateServer m_pulse;
    QTemporaryDir m_dir;
    QVector<TrackInfo> m_album;
    PlaybackEngine *m_engine = nullptr;
};

void TestTransport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!m_pulse.start())
        QSKIP("no PulseAudio to play on");
    const QString path = m_dir.filePath(QStringLiteral("album.flac"));
    QVERIFY(AudioSupport::encode(
        path, AudioSupport::counterSource(9), { "-c:a", "flac", "-sample_fmt", "s16" }));
    m_album = { track(path, 1, 0, 3), track(path, 2, 3, 3), track(path, 3, 6, 3) };
}

void TestTransport::init()
{
    m_engine = new PlaybackEngine;
    m_engine->setPlayQueue(m_album);
}

void TestTransport::cleanup()
{
    delete m_engine;
    m_engine = nullptr;
}

// "stopped" with no current entry, or "playing"/"paused" on the second entry.
void TestTransport::bringTo(const QString &state)
{
    if (state == QLatin1String("stopped"))
        return;
    m_engine->playSelected(&m_album[1]);
    QTRY_VERIFY(m_engine->positionMs() > 50);
    if (state == QLatin1String("paused"))
        m_engine->pause();
    QCOMPARE(stateOf(*m_engine), state);
}

void TestTransport::stateTable_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("fadesFirst");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("fromStart"); // the track starts over rather than continuing

    QTest::newRow("stopped, play a row") << "stopped"
                                         << "play first" << false << "playing" << 0 << true;
    QTest::newRow("stopped, next") << "stopped"
                                   << "next" << false << "playing" << 0 << true;
    QTest::newRow("stopped, previous") << "stopped"
                                       << "previous" << false << "playing" << 2 << true;
    QTest::newRow("playing, pause") << "playing"
                                    << "pause" << false << "paused" << 1 << false;
    QTest::newRow("paused, play without a row") << "paused"
                                                << "play none" << false << "playing" << 1 << false;
    QTest::newRow("paused, play the paused row") << "paused"
                                                 << "play same" << false << "playing" << 1 << false;
    QTest::newRow("paused, play another row") << "paused"
                                              << "play first" << false << "playing" << 0 << true;
    QTest::newRow("playing, next") << "playing"
                                   << "next" << true << "playing" << 2 << true;
    QTest::newRow("playing, previous") << "playing"
                                       << "previous" << true << "playing" << 0 << true;
    QTest::newRow("paused, next") << "paused"
                                  << "next" << false << "playing" << 2 << true;
    QTest::newRow("paused, previous") << "paused"
                                      << "previous" << false << "playing" << 0 << true;
    QTest::newRow("playing, play the same row") << "playing"
                                                << "play same" << false << "playing" << 1 << true;
    QTest::newRow("playing, stop") << "playing"
                                   << "stop" << false << "stopped" << 1 << false;
    QTest::newRow("paused, stop") << "paused"
                                  << "stop" << false << "stopped" << 1 << false;
}

void TestTransport::stateTable()
{
    QFETCH(QString, from);
    QFETCH(QString, event);
    QFETCH(bool, fadesFirst);
    QFETCH(QString, to);
    QFETCH(int, index);
    QFETCH(bool, fromStart);

    bringTo(from);
    const int indexBefore = m_engine->currentIndex();
    // Let the position get well past a fresh start, so a restart shows.
    if (from == QLatin1String("playing"))
        QTRY_VERIFY(m_engine->positionMs() > 800);
    QSignalSpy playing(m_engine, &PlaybackEngine::playingChanged);
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);

    if (event == QLatin1String("play first"))
        m_engine->playSelected(&m_album[0]);
    else if (event == QLatin1String("play same"))
        m_engine->playSelected(&m_album[1]);
    else if (event == QLatin1String("play none"))
        m_engine->playSelected(nullptr);
    else if (event == QLatin1String("pause"))
        m_engine->pause();
    else if (event == QLatin1String("next"))
        m_engine->playNext();
    else if (event == QLatin1String("previous"))
        m_engine->playPrevious();
    else if (event == QLatin1String("stop"))
        m_engine->stopPlayback();

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
    QCOMPARE(playing.last().first().toBool(), to == QLatin1String("playing"));
    if (to == QLatin1String("playing")) {
        const qint64 position = m_engine->positionMs();
        QVERIFY2(fromStart ? position < 600 : position > 50, qPrintable(QString::number(position)));
    }
}

void TestTransport::wrapAround_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("next");
    QTest::addColumn<int>("index");
    QTest::newRow("next on the last entry") << 2 << true << 0;
    QTest::newRow("previous on the first entry") << 0 << false << 2;
}

void TestTransport::wrapAround()
{
    QFETCH(int, current);
    QFETCH(bool, next);
    QFETCH(int, index);
    m_engine->playSelected(&m_album[current]);
    QCOMPARE(m_engine->currentIndex(), current);
    if (next)
        m_engine->playNext();
    else
        m_engine->playPrevious();
    QTRY_COMPARE(m_engine->currentIndex(), index);
    QVERIFY(m_engine->isPlaying());
    QCOMPARE(m_engine->trackStart(), m_album[index].startSeconds);
}

void TestTransport::emptyQueue()
{
    bringTo(QStringLiteral("playing"));
    m_engine->setPlayQueue({});
    QCOMPARE(m_engine->currentIndex(), -1);
    m_engine->playPrevious();
    QVERIFY(m_engine->isPlaying());
    QCOMPARE(m_engine->trackStart(), 3.0);
    m_engine->playNext();
    QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
}

void TestTransport::nextTwiceWithinFadeSwitchesOnce()
{
    bringTo(QStringLiteral("playing"));
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    m_engine->playNext();
    QVERIFY(m_engine->isSwitching());
    m_engine->playNext();
    QTRY_VERIFY(!m_engine->isSwitching());
    QCOMPARE(m_engine->currentIndex(), 2);
    QTest::qWait(400); // a second switch would have happened by now
    QCOMPARE(m_engine->currentIndex(), 2);
    QCOMPARE(started.count(), 1);
}

void TestTransport::abandonedSwitchReleasesGuard_data()
{
    QTest::addColumn<QString>("cut");
    QTest::newRow("stop") << "stop";
    QTest::newRow("a new start") << "play";
    QTest::newRow("another fade") << "previous";
}

void TestTransport::abandonedSwitchReleasesGuard()
{
    QFETCH(QString, cut);
    bringTo(QStringLiteral("playing"));
    m_engine->playNext();
    QVERIFY(m_engine->isSwitching());
    if (cut == QLatin1String("stop"))
        m_engine->stopPlayback();
    else if (cut == QLatin1String("play"))
        m_engine->playSelected(&m_album[0]);
    else
        m_engine->playPrevious();
    QVERIFY(!m_engine->isSwitching());
    QTRY_VERIFY(m_engine->isPlaying() || cut == QLatin1String("stop"));
    QTest::qWait(400); // the abandoned switch must not happen late
    const int expected = cut == QLatin1String("stop") ? 1 : 0;
    QCOMPARE(m_engine->currentIndex(), expected);
    // Next works again.
    m_engine->playNext();
    QTRY_COMPARE(m_engine->currentIndex(), expected + 1);
    QVERIFY(m_engine->isPlaying());
}

void TestTransport::switchFadeInterrupted_data()
{
    QTest::addColumn<QString>("event");
    QTest::newRow("queue replaced, then previous") << "replace";
    QTest::newRow("pause") << "pause";
}

// Next starts the fade-out; what happens before it ends is neither lost nor out of range.
void TestTransport::switchFadeInterrupted()
{
    QFETCH(QString, event);
    bringTo(QStringLiteral("playing"));
    m_engine->playNext();
    QVERIFY(m_engine->isSwitching());
    if (event == QLatin1String("replace")) {
        m_engine->setPlayQueue({ m_album[0] });
        QTRY_VERIFY(!m_engine->isSwitching());
        QCOMPARE(m_engine->currentIndex(), -1); // the track played is not in the new queue
        m_engine->playPrevious();
        QTRY_COMPARE(m_engine->currentIndex(), 0);
        QCOMPARE(m_engine->trackStart(), 0.0);
        return;
    }
    m_engine->pause();
    // The switch is done, paused at the start of the next track.
    QCOMPARE(stateOf(*m_engine), QStringLiteral("paused"));
    QVERIFY(!m_engine->isSwitching());
    QCOMPARE(m_engine->currentIndex(), 2);
    QTest::qWait(400);
    QCOMPARE(stateOf(*m_engine), QStringLiteral("paused"));
    QCOMPARE(m_engine->positionMs(), 0);
}

// Tracks that give no audio (a header-only file, a range past the file's end) are each tried
// once; then playback stops and says so.
void TestTransport::silentQueueStopsAfterOneRound()
{
    const QString empty = m_dir.filePath(QStringLiteral("empty.wav"));
    QVERIFY(AudioSupport::encode(empty, QStringLiteral("anullsrc=r=44100:cl=stereo:d=0"),
        { "-t", "0", "-c:a", "pcm_s16le" }));
    const QVector<TrackInfo> queue = { track(empty, 1, 0, 0),
        track(m_album[0].filePath, 2, 20, 5) };
    m_engine->setPlayQueue(queue);
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    QSignalSpy messages(m_engine, &PlaybackEngine::informationRequested);
    m_engine->playSelected(&queue[0]);
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 10000);
    QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
    QCOMPARE(started.count(), 2);
    QTest::qWait(300);
    QCOMPARE(started.count(), 2);
}

void TestTransport::pauseWhilePausedKeepsPosition()
{
    bringTo(QStringLiteral("paused"));
    const qint64 paused = m_engine->pausedPositionMs();
    QVERIFY(paused > 3000);
    QTest::qWait(200); // the filler decodes ahead meanwhile
    m_engine->pause();
    QCOMPARE(m_engine->pausedPositionMs(), paused);
    m_engine->playSelected(nullptr);
    QVERIFY(m_engine->isPlaying());
    QVERIFY(m_engine->positionMs() >= paused - 3000);
}

void TestTransport::resumeWithNoTimeLeftStops()
{
    bringTo(QStringLiteral("paused"));
    m_engine->onPlayProgressSliderPressed();
    m_engine->onPlayProgressSliderReleased(3000);
    QVERIFY(m_engine->isPaused());
    QCOMPARE(m_engine->pausedPositionMs(), qint64(6000));
    m_engine->playSelected(nullptr);
    QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
}

void TestTransport::indexOfTrack_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("otherFile");
    QTest::addColumn<int>("index");
    QTest::newRow("same start") << 12.0 << false << 1;
    QTest::newRow("within 0.01") << 12.004 << false << 1;
    QTest::newRow("0.01 apart") << 12.01 << false << -1;
    QTest::newRow("another file") << 12.0 << true << -1;
    QTest::newRow("first of equals") << 0.0 << false << 0;
}

void TestTransport::indexOfTrack()
{
    QFETCH(double, start);
    QFETCH(bool, otherFile);
    QFETCH(int, index);
    const QString path = QStringLiteral("/music/album.flac");
    m_engine->setPlayQueue(
        { track(path, 1, 0, 12), track(path, 2, 12, 10), track(path, 3, 0, 12) });
    QCOMPARE(m_engine->indexOfTrack(otherFile ? QStringLiteral("/music/other.flac") : path, start),
        index);
}

void TestTransport::wholeFileTitle()
{
    const QString path = m_dir.filePath(QStringLiteral("Live Set.flac"));
    QVERIFY(AudioSupport::encode(
        path, AudioSupport::counterSource(1), { "-c:a", "flac", "-sample_fmt", "s16" }));
    TrackInfo entry = track(path, 1, 0, 0);
    entry.wholeFile = true;
    entry.title = QStringLiteral("not shown");
    m_engine->setPlayQueue({ entry });
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    QSignalSpy rows(m_engine, &PlaybackEngine::playingRowChanged);
    m_engine->playNext();
    QCOMPARE(m_engine->currentTitle(), QStringLiteral("Live Set"));
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.first().at(1).toString(), QStringLiteral("Live Set"));
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.first().first().toInt(), 0);
}

void TestTransport::messages_data()
{
    QTest::addColumn<bool>("withRow");
    QTest::addColumn<QString>("text");
    QTest::newRow("no row selected")
        << false << "Please select a song from the current music list on the right to play";
    QTest::newRow("row without a path") << true << "Unable to get audio file path";
}

void TestTransport::messages()
{
    QFETCH(bool, withRow);
    QFETCH(QString, text);
    QSignalSpy messages(m_engine, &PlaybackEngine::informationRequested);
    QSignalSpy started(m_engine, &PlaybackEngine::trackStarted);
    TrackInfo row = track(QString(), 1, 0, 10);
    m_engine->playSelected(withRow ? &row : nullptr);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.first().first().toString(), text);
    QCOMPARE(started.count(), 0);
    QCOMPARE(stateOf(*m_engine), QStringLiteral("stopped"));
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
