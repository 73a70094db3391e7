#include "media/filerevealer_unix.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// A file manager on a private session bus that records what it is asked to show.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

public slots:
    void ShowItems(const QStringList &uris, const QString &)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << QStringLiteral("ShowItems ") + uris.join(QLatin1Char(' '));
    }
    void ShowFolders(const QStringList &uris, const QString &)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << QStringLiteral("ShowFolders ") + uris.join(QLatin1Char(' '));
    }

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
};

class tst_FileRevealer : public QObject
{
    Q_OBJECT

private:
    QProcess m_daemon;
    QString m_address;

private slots:
    void initTestCase()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1") });
        QVERIFY(m_daemon.waitForStarted(5000));
        QVERIFY(m_daemon.waitForReadyRead(5000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }

    void fileManagerIsAskedForItemOrFolder()
    {
        // The service answers from its own thread, as another program would.
        QThread serviceThread;
        serviceThread.start();
        FakeFileManager manager;
        manager.moveToThread(&serviceThread);
        QDBusConnection service =
            QDBusConnection::connectToBus(m_address, QStringLiteral("service"));
        QVERIFY(service.isConnected());
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
            QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        QStringList fallbacks;
        UnixFileRevealer revealer(
            QDBusConnection::connectToBus(m_address, QStringLiteral("client")),
            [&](const QUrl &url) {
                fallbacks << url.toString();
                return true;
            });
        QTemporaryDir tmp;
        const QString sheet = tmp.path() + QStringLiteral("/My Album/a b.cue");
        QVERIFY(revealer.showItem(sheet));
        QVERIFY(revealer.showFolder(tmp.path()));
        QCOMPARE(manager.calls(),
            (QStringList { QStringLiteral("ShowItems ") + QUrl::fromLocalFile(sheet).toString(),
                QStringLiteral("ShowFolders ") + QUrl::fromLocalFile(tmp.path()).toString() }));
        QVERIFY(fallbacks.isEmpty());

        service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        serviceThread.quit();
        serviceThread.wait();
    }

    void withoutFileManagerTheFolderIsOpened()
    {
        QStringList fallbacks;
        UnixFileRevealer revealer(
            QDBusConnection::connectToBus(m_address, QStringLiteral("lonely")),
            [&](const QUrl &url) {
                fallbacks << url.toLocalFile();
                return true;
            });
        QVERIFY(revealer.showItem(QStringLiteral("/music/Album/album.cue")));
        QVERIFY(revealer.showFolder(QStringLiteral("/music/Other")));
        QCOMPARE(fallbacks,
            (QStringList { QStringLiteral("/music/Album"), QStringLiteral("/music/Other") }));
        QDBusConnection::disconnectFromBus(QStringLiteral("lonely"));

        // No bus at all and an opener that fails: the failure is reported.
        UnixFileRevealer nothing(
            QDBusConnection(QStringLiteral("never connected")), [](const QUrl &) { return false; });
        QVERIFY(!nothing.showItem(QStringLiteral("/x/y.flac")));
    }
};

QTEST_GUILESS_MAIN(tst_FileRevealer)
#include "tst_filerevealer_unix.moc"
