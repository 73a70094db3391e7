#include "audio/playbackengine.h"
#include "support/audiosupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Without any sound server the engine plays nothing, rather than a track that never ends.
class TestNoOutputDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nothingStarts();

private:
    QTemporaryDir m_dir;
};

void TestNoOutputDevice::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Before anything touches Qt's audio: a server that is not there.
    qputenv("PULSE_SERVER", "unix:" + m_dir.filePath(QStringLiteral("missing")).toUtf8());
    QVERIFY(AudioSupport::encode(m_dir.filePath(QStringLiteral("tone.flac")),
        AudioSupport::counterSource(1), { "-c:a", "flac" }));
}

void TestNoOutputDevice::nothingStarts()
{
    PlaybackEngine engine;
    TrackInfo entry;
    entry.filePath = m_dir.filePath(QStringLiteral("tone.flac"));
    entry.wholeFile = true;
    engine.setPlayQueue({ entry, entry });
    QSignalSpy started(&engine, &PlaybackEngine::trackStarted);
    engine.playSelected(&entry);
    QVERIFY(!engine.isPlaying());
    QCOMPARE(started.count(), 0);
    engine.playNext();
    QVERIFY(!engine.isPlaying());
    QCOMPARE(started.count(), 0);
    QCOMPARE(engine.positionMs(), qint64(0));
}

QTEST_GUILESS_MAIN(TestNoOutputDevice)
#include "tst_nooutputdevice.moc"
