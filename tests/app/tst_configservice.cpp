#include "app/configservice.h"
#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/dict.h"
#include "media/sourcefolders.h"
#include "support/databasefixture.h"

#include <QtTest>
#include <memory>

// Settings and the source folder list kept in them.
class tst_ConfigService : public QObject
{
    Q_OBJECT

    static int rowsNamed(const QString &key)
    {
        int count = 0;
        for (const DictPtr &d : Dao().listDicts())
            count += d->dictName == key ? 1 : 0;
        return count;
    }

    static QString reloaded(const QString &key)
    {
        ConfigService config;
        config.load();
        return config.value(key, QStringLiteral("none"));
    }

private slots:
    void init()
    {
        fixture = std::make_unique<DatabaseFixture>();
        QVERIFY(fixture->isValid());
    }
    void cleanup() { fixture.reset(); }

    void writeThroughOnceThenUpdate()
    {
        ConfigService config;
        config.load();
        QCOMPARE(config.value(QStringLiteral("nav.view.id"), QStringLiteral("1")), "1");
        config.setValue(QStringLiteral("sourcePath"), QStringLiteral("/a"));
        config.setValue(QStringLiteral("sourcePath"), QStringLiteral("/b"));
        QCOMPARE(rowsNamed(QStringLiteral("sourcePath")), 1);
        // An empty value stores the given default.
        config.setValue(QStringLiteral("nav.view.id"), QString(), QStringLiteral("1"));
        config.setValue(QStringLiteral("exportPath"), QString(), QString());
        QVERIFY(fixture->restart());
        QCOMPARE(reloaded(QStringLiteral("exportPath")), QStringLiteral("none"));
        QCOMPARE(reloaded(QStringLiteral("nav.view.id")), QStringLiteral("1"));
        QCOMPARE(reloaded(QStringLiteral("sourcePath")), QStringLiteral("/b"));
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
        QCOMPARE(reloaded(QStringLiteral("sourcePath")), QStringLiteral("/second"));
    }

    void laterRowWinsOnLoad()
    {
        for (const QString &v : { QStringLiteral("old"), QStringLiteral("new") }) {
            auto d = std::make_shared<Dict>();
            d->dictName = QStringLiteral("k");
            d->dictValue = v;
            QVERIFY(Dao().insertDict(d));
        }
        QCOMPARE(reloaded(QStringLiteral("k")), QStringLiteral("new"));
    }

    void sourceFolderLists_data()
    {
        QTest::addColumn<QString>("sourcePath");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("single path") << "/m/a"
                                     << "" << QStringList { "/m/a" };
        QTest::newRow("old form: duplicates once, case counts")
            << "/m/b"
            << "/m/a||/m/b|/m/a|/m/A" << QStringList { "/m/a", "/m/b", "/m/A" };
        QTest::newRow("list form keeps a bar in a name")
            << ""
            << "[\"/m/x\",\"/m/Rock|Pop\"]" << QStringList { "/m/x", "/m/Rock|Pop" };
    }

    void sourceFolderLists()
    {
        QFETCH(QString, sourcePath);
        QFETCH(QString, stored);
        QFETCH(QStringList, listed);
        ConfigService config;
        config.load();
        config.setValue(QStringLiteral("sourcePath"), sourcePath, QString());
        config.setValue(QStringLiteral("sourcePathList"), stored, QString());
        SourceFolders folders(config);
        QCOMPARE(folders.loadSourcePathList(), listed);
        QCOMPARE(folders.startupPath(), sourcePath.isEmpty() ? listed.first() : sourcePath);
    }

    void addDeleteAndRestart()
    {
        {
            ConfigService config;
            config.load();
            config.setValue(QStringLiteral("sourcePathList"), QStringLiteral("/m/x|/m/y"));
            SourceFolders folders(config);
            QCOMPARE(folders.startupPath(), QStringLiteral("/m/x"));
            QCOMPARE(folders.addFolder(QStringLiteral("/m/a|b")), QStringLiteral("/m/a|b"));
            folders.addFolder(QStringLiteral("/m/x"));
            QCOMPARE(config.value(QStringLiteral("sourcePathList")),
                QStringLiteral("[\"/m/x\",\"/m/y\",\"/m/a|b\"]"));
            QCOMPARE(config.value(QStringLiteral("sourcePath")), QStringLiteral("/m/x"));
            QCOMPARE(folders.removeFolder(QStringLiteral("/m/x")), QStringLiteral("/m/y"));
            QCOMPARE(folders.removeFolder(QStringLiteral("/m/a|b")), QStringLiteral("/m/y"));
        }
        QVERIFY(fixture->restart());
        ConfigService config;
        config.load();
        SourceFolders folders(config);
        QCOMPARE(folders.loadSourcePathList(), QStringList { QStringLiteral("/m/y") });
        QCOMPARE(folders.startupPath(), QStringLiteral("/m/y"));
        // Deleting the last folder leaves nothing current, also after a restart.
        QCOMPARE(folders.removeFolder(QStringLiteral("/m/y")), QString());
        QVERIFY(fixture->restart());
        QCOMPARE(reloaded(QStringLiteral("sourcePath")), QStringLiteral("none"));
        QCOMPARE(reloaded(QStringLiteral("sourcePathList")), QStringLiteral("none"));
    }

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

QTEST_GUILESS_MAIN(tst_ConfigService)
#include "tst_configservice.moc"
