#include "media/filerevealer_unix.h"

#include <QDBusConnection>
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
    void ShowItems(const QStringList &uris, const QString &) { record("ShowItems ", uris); }
    void ShowFolders(const QStringList &uris, const QString &) { record("ShowFolders ", uris); }

private:
    void record(const char *method, const QStringList &uris)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << QLatin1String(method) + uris.join(QLatin1Char(' '));
    }
    mutable QMutex m_mutex;
    QStringList m_calls;
};

class tst_FileRevealer : public QObject
{
    Q_OBJECT

private slots:
    // The file manager is asked for the item or the folder by URL; without one the folder is
    // opened; with neither the failure is reported.
    void revealsThroughFileManagerOrFolder()
    {
        QProcess daemon;
        daemon.start(
            QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--print-address=1" });
        QVERIFY(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        QStringList opened;
        const auto opener = [&opened](const QUrl &url) {
            opened << url.toLocalFile();
            return true;
        };
        QTemporaryDir tmp;
        const QString sheet = tmp.path() + QStringLiteral("/My Album/a b.cue");
        {
            // The service answers from its own thread, as another program would.
            QThread serviceThread;
            serviceThread.start();
            FakeFileManager manager;
            manager.moveToThread(&serviceThread);
            QDBusConnection service = QDBusConnection::connectToBus(address, "service");
            QVERIFY(service.registerObject(
                "/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
            QVERIFY(service.registerService("org.freedesktop.FileManager1"));
            UnixFileRevealer revealer(QDBusConnection::connectToBus(address, "client"), opener);
            QVERIFY(revealer.showItem(sheet));
            QVERIFY(revealer.showFolder(tmp.path()));
            QCOMPARE(manager.calls(),
                (QStringList { "ShowItems " + QUrl::fromLocalFile(sheet).toString(),
                    "ShowFolders " + QUrl::fromLocalFile(tmp.path()).toString() }));
            QDBusConnection::disconnectFromBus("service");
            QDBusConnection::disconnectFromBus("client");
            serviceThread.quit();
            serviceThread.wait();
        }
        QVERIFY(opened.isEmpty());

        UnixFileRevealer lonely(QDBusConnection::connectToBus(address, "lonely"), opener);
        QVERIFY(lonely.showItem(sheet));
        QVERIFY(lonely.showFolder(QStringLiteral("/music/Other")));
        QCOMPARE(opened, (QStringList { tmp.path() + "/My Album", "/music/Other" }));
        QDBusConnection::disconnectFromBus("lonely");

        UnixFileRevealer nothing(
            QDBusConnection("never connected"), [](const QUrl &) { return false; });
        QVERIFY(!nothing.showItem(QStringLiteral("/x/y.flac")));
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(3000));
    }
};

QTEST_GUILESS_MAIN(tst_FileRevealer)
#include "tst_filerevealer_unix.moc"
