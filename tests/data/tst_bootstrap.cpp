#include "data/databaseregistry.h"
#include "support/mediasupport.h"
#include "support/testapp.h"
#include "support/testsupport.h"

#include <QSqlQuery>
#include <QtTest>

class tst_Bootstrap : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir tmp;
    QString appDir;
    QString dataDir;

    // Starts on read-only copies of the built templates (without config.db unless withConfig)
    // and a data folder three missing levels below the temporary one.
    bool bootstrap(BootstrapReport *report = nullptr, bool withConfig = true)
    {
        DatabaseRegistry::release();
        ApplicationBase::deleteInstance();
        const QString built = TestSupport::binDir() + QStringLiteral("/Data/");
        QDir().mkpath(appDir + "/Data");
        for (const QString &name : QStringList { "config.db", "data.db" }.mid(withConfig ? 0 : 1)) {
            QFile::copy(built + name, appDir + "/Data/" + name);
            QFile::setPermissions(appDir + "/Data/" + name, QFileDevice::ReadOwner);
        }
        ApplicationBase::setInstance(new TestApp(appDir, dataDir));
        DatabaseRegistry::create();
        return DatabaseRegistry::bootstrapDatabases(report);
    }

private slots:
    void init()
    {
        QVERIFY(tmp.isValid());
        appDir = tmp.path() + QStringLiteral("/app") + QTest::currentDataTag();
        dataDir = tmp.path() + QStringLiteral("/user/local") + QTest::currentDataTag();
    }

    void cleanup()
    {
        DatabaseRegistry::release();
        ApplicationBase::deleteInstance();
    }

    // Read-only templates give writable copies; a changed template never replaces the user's
    // copy.
    void firstRunCopiesBothThenKeepsThem()
    {
        QVERIFY(bootstrap());
        QVERIFY(
            QSqlQuery(DatabaseRegistry::database(true))
                .exec(QStringLiteral("insert into dict (dictName,dictValue) values ('k','v')")));
        QVERIFY(DatabaseRegistry::database(false).tables().contains(QStringLiteral("Media")));

        DatabaseRegistry::release();
        QFile::remove(appDir + QStringLiteral("/Data/config.db"));
        QVERIFY(MediaSupport::writeFile(appDir + QStringLiteral("/Data/config.db"), "not a db"));
        DatabaseRegistry::create();
        QVERIFY(DatabaseRegistry::bootstrapDatabases());
        QSqlQuery select(DatabaseRegistry::database(true));
        QVERIFY(select.exec(QStringLiteral("select dictValue from dict where dictName = 'k'")));
        QVERIFY(select.next() && select.value(0).toString() == QLatin1String("v"));
    }

    void damagedWorkingCopyIsKeptAsideAndReplaced_data()
    {
        QFile built(TestSupport::binDir() + QStringLiteral("/Data/data.db"));
        QVERIFY(built.open(QIODevice::ReadOnly));
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty config.db") << "config.db" << QByteArray();
        QTest::newRow("garbage data.db") << "data.db" << QByteArray("this is not SQLite at all");
        QTest::newRow("truncated data.db") << "data.db" << built.read(built.size() / 2);
    }

    // The damaged file is renamed beside the new one, byte for byte, and reported; the
    // template takes its place and is registered.
    void damagedWorkingCopyIsKeptAsideAndReplaced()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        const QString target = dataDir + QStringLiteral("/Data/") + fileName;
        QVERIFY(MediaSupport::writeFile(target, content));
        BootstrapReport report;
        QVERIFY(bootstrap(&report));
        QCOMPARE(report.setAside.size(), 1);
        QCOMPARE(report.setAside.at(0).key, fileName == QLatin1String("config.db"));
        QVERIFY(!report.setAside.at(0).problem.isEmpty());
        const QFileInfo kept(report.setAside.at(0).keptAs);
        QVERIFY(kept.fileName().startsWith(QFileInfo(fileName).completeBaseName() + "-damaged-"));
        QCOMPARE(kept.path(), dataDir + QStringLiteral("/Data"));
        QCOMPARE(MediaSupport::readFile(kept.filePath()), content);
        QCOMPARE(QFileInfo(target).size(), QFileInfo(appDir + "/Data/" + fileName).size());
    }

    void unpreparedFolderSaysWhereAndWhy_data()
    {
        QTest::addColumn<bool>("withConfig");
        QTest::addColumn<QString>("reason");
        QTest::newRow("config template missing") << false << "/Data/config.db";
        QTest::newRow("a file where the folder goes") << true << "is not a folder";
    }

    void unpreparedFolderSaysWhereAndWhy()
    {
        QFETCH(bool, withConfig);
        QFETCH(QString, reason);
        if (withConfig)
            QVERIFY(MediaSupport::writeFile(dataDir, QByteArray()));
        BootstrapReport report;
        QVERIFY(!bootstrap(&report, withConfig));
        QCOMPARE(report.failedFolder, dataDir + QStringLiteral("/Data"));
        QVERIFY2(report.failure.contains(reason), qPrintable(report.failure));
        QVERIFY(!QFile::exists(dataDir + QStringLiteral("/Data/data.db")));
    }
};

QTEST_GUILESS_MAIN(tst_Bootstrap)
#include "tst_bootstrap.moc"
