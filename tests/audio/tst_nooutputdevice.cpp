#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Without any sound server the engine plays nothing, rather than a track that never ends.
class TestNoOutputDevice : public QObject
{
    Q_OBJECT

private slots:
    void nothingStarts()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Before anything touches Qt's audio: a server that is not there.
        qputenv("PULSE_SERVER", "unix:" + dir.filePath(QStringLiteral("missing")).toUtf8());
        TrackInfo entry = AudioSupport::track(dir.filePath(QStringLiteral("tone.flac")), 1, 0, 0);
        entry.wholeFile = true;
        QVERIFY(TestSupport::makeAudio(entry.filePath, AudioSupport::counterSource(1)));
        PlaybackEngine engine;
        engine.setPlayQueue({ entry, entry });
        QSignalSpy started(&engine, &PlaybackEngine::trackStarted);
        QSignalSpy failed(&engine, &PlaybackEngine::trackFailed);
        engine.playSelected(&entry);
        engine.playNext();
        QVERIFY(!engine.isPlaying());
        QCOMPARE(started.count(), 0);
        QCOMPARE(failed.count(), 2);
        QCOMPARE(failed.first().at(1).toBool(), true); // no output device
        QCOMPARE(engine.positionMs(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestNoOutputDevice)
#include "tst_nooutputdevice.moc"
