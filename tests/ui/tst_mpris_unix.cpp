#include "app/configservice.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"

#include <QApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {
QString g_busAddress;

const QStringList playerCall { "--session", "--dest", "org.mpris.MediaPlayer2.quellin",
    "--object-path", "/org/mpris/MediaPlayer2" };

// Runs gdbus while the event loop goes on (the player answers from it); its output. At most 20 s.
QString gdbus(const QStringList &args)
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
        &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    process.start("gdbus", QStringList { "call" } + playerCall + args);
    if (process.waitForStarted(5000))
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString method(const QString &name, const QStringList &args = {})
{
    return gdbus(QStringList { "--method", "org.mpris.MediaPlayer2.Player." + name } + args);
}

QString playerProperty(const QString &name)
{
    return gdbus({ "--method", "org.freedesktop.DBus.Properties.Get",
        "org.mpris.MediaPlayer2.Player", name });
}
} // namespace

// The player on a private session bus, driven by gdbus as media keys and playerctl would.
class tst_Mpris : public QObject
{
    Q_OBJECT
private slots:
    void mediaKeysDrivePlayer();
};

void tst_Mpris::mediaKeysDrivePlayer()
{
    if (g_busAddress.isEmpty())
        QSKIP("no dbus-daemon");
    PulseSupport::PrivateServer pulse;
    if (!pulse.start())
        QSKIP("no PulseAudio to play on");
    WindowFixture fixture;
    QVERIFY(fixture.isValid());
    QTemporaryDir dir;
    QVERIFY(TestSupport::makeTone(dir.filePath("album.flac"), 440, 6.0));
    const QString sheet = dir.filePath("album.cue");
    QVERIFY(MediaSupport::writeFile(sheet,
        "TITLE \"Test Album\"\nFILE \"album.flac\" WAVE\n"
        "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 01 00:03:00\n"));

    MainWindow window;
    QCOMPARE(playerProperty("PlaybackStatus"), QString("(<'Stopped'>,)"));
    method("OpenUri", { QUrl::fromLocalFile(sheet).toString() });
    QTRY_COMPARE(playerProperty("PlaybackStatus"), QString("(<'Playing'>,)"));
    const QString metadata = playerProperty("Metadata");
    for (const QString &part : QStringList { "'xesam:title': <'One'>",
             "'xesam:album': <'Test Album'>", "'mpris:length': <int64 3000000>" })
        QVERIFY2(metadata.contains(part), qPrintable(metadata));

    // A volume set from outside moves the window's sliders and is kept.
    gdbus({ "--method", "org.freedesktop.DBus.Properties.Set", "org.mpris.MediaPlayer2.Player",
        "Volume", "<0.5>" });
    QTRY_COMPARE(window.findChild<QSlider *>("hsVolume")->value(), 50);
    QCOMPARE(ConfigService::instance()->value("volume"), QString("50"));

    method("Pause");
    QCOMPARE(playerProperty("PlaybackStatus"), QString("(<'Paused'>,)"));
    method("PlayPause");
    QCOMPARE(playerProperty("PlaybackStatus"), QString("(<'Playing'>,)"));
    method("Next");
    QTRY_VERIFY(playerProperty("Metadata").contains("'xesam:title': <'Two'>"));

    // A position set while paused is exactly where playback goes on.
    method("Pause");
    const QRegularExpressionMatch id = QRegularExpression("'mpris:trackid': <objectpath '([^']+)'>")
                                           .match(playerProperty("Metadata"));
    QVERIFY(id.hasMatch());
    method("SetPosition", { id.captured(1), "2000000" });
    QCOMPARE(playerProperty("Position"), QString("(<int64 2000000>,)"));

    method("Stop");
    QCOMPARE(playerProperty("PlaybackStatus"), QString("(<'Stopped'>,)"));
    QVERIFY(playerProperty("Metadata").contains("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

int main(int argc, char *argv[])
{
    // The session bus is chosen when first used: the private one must be known before that.
    QProcess bus;
    bus.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
    if (bus.waitForStarted(5000) && bus.waitForReadyRead(10000))
        g_busAddress = QString::fromUtf8(bus.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", g_busAddress.toUtf8());
    QApplication app(argc, argv);
    tst_Mpris test;
    const int result = QTest::qExec(&test, argc, argv);
    bus.kill();
    bus.waitForFinished(5000);
    return result;
}

#include "tst_mpris_unix.moc"
