#include "data/databaseregistry.h"
#include "data/sqldatabase.h"
#include "support/mediasupport.h"
#include "support/testapp.h"
#include "support/testsupport.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class tst_Bootstrap : public QObject
{
    Q_OBJECT

private:
    // A copy of the built templates that a test may change or remove.
    QString copyTemplates(const QString &dir, bool withConfig = true)
    {
        const QString templates = dir + QStringLiteral("/app/Data");
        QDir().mkpath(templates);
        const QString built = TestSupport::binDir() + QStringLiteral("/Data/");
        if (withConfig)
            QFile::copy(
                built + QStringLiteral("config.db"), templates + QStringLiteral("/config.db"));
        QFile::copy(built + QStringLiteral("data.db"), templates + QStringLiteral("/data.db"));
        return dir + QStringLiteral("/app");
    }

    void startApp(const QString &appDir, const QString &dataDir)
    {
        ApplicationBase::deleteInstance();
        ApplicationBase::setInstance(new TestApp(appDir, dataDir));
        DatabaseRegistry::create();
    }

private slots:
    void cleanup()
    {
        DatabaseRegistry::release();
        ApplicationBase::deleteInstance();
    }

    void firstRunCopiesBothThenKeepsThem()
    {
        QTemporaryDir tmp;
        const QString appDir = copyTemplates(tmp.path());
        // Read-only templates give writable copies.
        for (const QString &name : { QStringLiteral("config.db"), QStringLiteral("data.db") })
            QFile::setPermissions(appDir + QStringLiteral("/Data/") + name, QFileDevice::ReadOwner);
        // Three missing levels below the temporary folder.
        const QString dataDir = tmp.path() + QStringLiteral("/user/local/Quellin");
        startApp(appDir, dataDir);
        LogCapture log;
        QVERIFY(DatabaseRegistry::bootstrapDatabases());
        QVERIFY(QFile::exists(dataDir + QStringLiteral("/Data/config.db")));
        QVERIFY(QFile::exists(dataDir + QStringLiteral("/Data/data.db")));
        QVERIFY(DatabaseRegistry::database(true).isOpen());
        QVERIFY(DatabaseRegistry::database(false).isOpen());
        QVERIFY(
            QSqlQuery(DatabaseRegistry::database(true))
                .exec(QStringLiteral("insert into dict (dictName,dictValue) values ('k','v')")));
        QVERIFY(DatabaseRegistry::database(false).tables().contains(QStringLiteral("Media")));
        QCOMPARE(log.linesStartingWith(QStringLiteral("Database path: ")),
            QStringList { QStringLiteral("Database path: ") + dataDir + QStringLiteral("/Data") });

        // A changed template must not replace the user's copy.
        DatabaseRegistry::release();
        QFile::remove(appDir + QStringLiteral("/Data/config.db"));
        QVERIFY(MediaSupport::writeFile(appDir + QStringLiteral("/Data/config.db"), "not a db"));
        DatabaseRegistry::create();
        QVERIFY(DatabaseRegistry::bootstrapDatabases());
        QSqlQuery select(DatabaseRegistry::database(true));
        QVERIFY(select.exec(QStringLiteral("select dictValue from dict where dictName = 'k'")));
        QVERIFY(select.next());
        QCOMPARE(select.value(0).toString(), QStringLiteral("v"));
    }

    void damagedWorkingCopyIsKeptAsideAndReplaced_data()
    {
        QFile built(TestSupport::binDir() + QStringLiteral("/Data/data.db"));
        QVERIFY(built.open(QIODevice::ReadOnly));
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty config.db") << "config.db" << QByteArray();
        QTest::newRow("empty data.db") << "data.db" << QByteArray();
        QTest::newRow("garbage data.db") << "data.db" << QByteArray("this is not SQLite at all");
        QTest::newRow("truncated data.db") << "data.db" << built.read(built.size() / 2);
    }

    // The damaged file is renamed beside the new one, byte for byte, and reported; the
    // template takes its place and is registered.
    void damagedWorkingCopyIsKeptAsideAndReplaced()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QTemporaryDir tmp;
        const QString appDir = copyTemplates(tmp.path());
        const QString dataDir = tmp.path() + QStringLiteral("/data");
        const QString target = dataDir + QStringLiteral("/Data/") + fileName;
        QVERIFY(MediaSupport::writeFile(target, content));

        startApp(appDir, dataDir);
        BootstrapReport report;
        QVERIFY(DatabaseRegistry::bootstrapDatabases(&report));
        QVERIFY(DatabaseRegistry::isRegistered(true) && DatabaseRegistry::isRegistered(false));
        QCOMPARE(report.setAside.size(), 1);
        QCOMPARE(report.setAside.at(0).key, fileName == QLatin1String("config.db"));
        QVERIFY(!report.setAside.at(0).problem.isEmpty());
        const QString kept = report.setAside.at(0).keptAs;
        QVERIFY2(QFileInfo(kept).fileName().startsWith(
                     QFileInfo(fileName).completeBaseName() + QStringLiteral("-damaged-")),
            qPrintable(kept));
        QCOMPARE(QFileInfo(kept).path(), dataDir + QStringLiteral("/Data"));
        QCOMPARE(MediaSupport::readFile(kept), content);
        QCOMPARE(QFileInfo(target).size(), QFileInfo(appDir + "/Data/" + fileName).size());
    }

    void unpreparedFolderSaysWhereAndWhy_data()
    {
        QTest::addColumn<bool>("withConfig");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QString>("reason");
        QTest::newRow("config template missing") << false << false << "/app/Data/config.db";
        QTest::newRow("a file where the folder goes") << true << true << "is not a folder";
    }

    void unpreparedFolderSaysWhereAndWhy()
    {
        QFETCH(bool, withConfig);
        QFETCH(bool, blocked);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString appDir = copyTemplates(tmp.path(), withConfig);
        const QString dataDir = tmp.path() + QStringLiteral("/data");
        if (blocked)
            QVERIFY(MediaSupport::writeFile(dataDir, QByteArray()));
        startApp(appDir, dataDir);
        BootstrapReport report;
        QVERIFY(!DatabaseRegistry::bootstrapDatabases(&report));
        QCOMPARE(report.failedFolder, dataDir + QStringLiteral("/Data"));
        QVERIFY2(report.failure.contains(reason), qPrintable(report.failure));
        QVERIFY(!QFile::exists(dataDir + QStringLiteral("/Data/config.db")));
        QVERIFY(!QFile::exists(dataDir + QStringLiteral("/Data/data.db")));
        QVERIFY(!DatabaseRegistry::isRegistered(true));
    }

    void foreignSqliteFileIsRefused()
    {
        QTemporaryDir tmp;
        const QString path = tmp.path() + QStringLiteral("/empty.db");
        {
            SqlDatabase db;
            // A new SQLite file without tables.
            QVERIFY(!db.open(path));
            QCOMPARE(db.connectionName(), QStringLiteral("empty.db"));
        }
        SqlDatabase good;
        QVERIFY(good.open(TestSupport::binDir() + QStringLiteral("/Data/data.db")));
    }
};

QTEST_GUILESS_MAIN(tst_Bootstrap)
#include "tst_bootstrap.moc"
