#include "app/configservice.h"
#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/dict.h"
#include "support/databasefixture.h"

#include <QtTest>
#include <memory>

class tst_ConfigService : public QObject
{
    Q_OBJECT

private:
    static int rowsNamed(const QString &key)
    {
        Dao dao;
        int count = 0;
        for (const DictPtr &d : dao.listDicts())
            count += d->dictName == key ? 1 : 0;
        return count;
    }

private slots:
    void init()
    {
        fixture = std::make_unique<DatabaseFixture>();
        QVERIFY(fixture->isValid());
    }
    void cleanup() { fixture.reset(); }

    void defaultsOnFreshDatabase()
    {
        ConfigService config;
        config.load();
        QCOMPARE(config.value(QStringLiteral("exportPath"), QString()), QString());
        QCOMPARE(
            config.value(QStringLiteral("nav.view.id"), QStringLiteral("1")), QStringLiteral("1"));
    }

    void writeThroughAndRestart()
    {
        const QString folder = QStringLiteral("/home/user/Music/Albums");
        {
            ConfigService config;
            config.load();
            config.setValue(QStringLiteral("sourcePath"), folder);
            QCOMPARE(config.value(QStringLiteral("sourcePath")), folder);
            // Written at once: another reader of the table sees it.
            Dao dao;
            QCOMPARE(dao.listDicts().first()->dictValue, folder);
            QCOMPARE(dao.listDicts().first()->dictDesc, QStringLiteral("sourcePath"));
        }
        QVERIFY(fixture->restart());
        ConfigService again;
        again.load();
        QCOMPARE(again.value(QStringLiteral("sourcePath")), folder);
    }

    void insertOnceThenUpdate()
    {
        ConfigService config;
        config.load();
        config.setValue(QStringLiteral("exportPath"), QStringLiteral("/a"));
        config.setValue(QStringLiteral("exportPath"), QStringLiteral("/b"));
        QCOMPARE(rowsNamed(QStringLiteral("exportPath")), 1);
        // Empty value with empty default stores "".
        config.setValue(QStringLiteral("exportPath"), QString(), QString());
        QCOMPARE(config.value(QStringLiteral("exportPath"), QStringLiteral("dflt")),
            QStringLiteral("dflt"));
        // Empty value falls back to the given default.
        config.setValue(QStringLiteral("nav.view.id"), QString(), QStringLiteral("1"));
        QCOMPARE(config.value(QStringLiteral("nav.view.id")), QStringLiteral("1"));
        ConfigService reloaded;
        reloaded.load();
        QCOMPARE(
            reloaded.value(QStringLiteral("exportPath"), QStringLiteral("x")), QStringLiteral("x"));
    }

    void valueOfFailedInsertIsWrittenLater()
    {
        ConfigService config;
        config.load();
        // The settings database goes away for a moment: the value holds in memory...
        DatabaseRegistry::release();
        DatabaseRegistry::create();
        config.setValue(QStringLiteral("sourcePath"), QStringLiteral("/first"));
        QCOMPARE(config.value(QStringLiteral("sourcePath")), QStringLiteral("/first"));
        // ...and the next write, with the database back, lands as a row.
        QVERIFY(fixture->restart());
        config.setValue(QStringLiteral("sourcePath"), QStringLiteral("/second"));
        QCOMPARE(rowsNamed(QStringLiteral("sourcePath")), 1);
        ConfigService reloaded;
        reloaded.load();
        QCOMPARE(reloaded.value(QStringLiteral("sourcePath")), QStringLiteral("/second"));
    }

    void laterRowWinsOnLoad()
    {
        Dao dao;
        for (const QString &v : { QStringLiteral("old"), QStringLiteral("new") }) {
            auto d = std::make_shared<Dict>();
            d->dictName = QStringLiteral("k");
            d->dictValue = v;
            QVERIFY(dao.insertDict(d));
        }
        ConfigService config;
        config.load();
        QCOMPARE(config.value(QStringLiteral("k")), QStringLiteral("new"));
    }

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

QTEST_GUILESS_MAIN(tst_ConfigService)
#include "tst_configservice.moc"
