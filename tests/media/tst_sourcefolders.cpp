#include "app/configservice.h"
#include "media/sourcefolders.h"
#include "support/databasefixture.h"

#include <QtTest>
#include <memory>

class tst_SourceFolders : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fixture = std::make_unique<DatabaseFixture>();
        QVERIFY(fixture->isValid());
    }
    void cleanup() { fixture.reset(); }

    void singlePathWhenListIsEmpty()
    {
        ConfigService config;
        config.load();
        config.setValue(QStringLiteral("sourcePath"), QStringLiteral("/music/a"));
        SourceFolders folders(config);
        QCOMPARE(folders.loadSourcePathList(), QStringList { QStringLiteral("/music/a") });
    }

    void duplicatesListedOnce()
    {
        ConfigService config;
        config.load();
        config.setValue(QStringLiteral("sourcePathList"), QStringLiteral("/m/a||/m/b|/m/a|/m/A"));
        SourceFolders folders(config);
        QCOMPARE(folders.loadSourcePathList(),
            (QStringList {
                QStringLiteral("/m/a"), QStringLiteral("/m/b"), QStringLiteral("/m/A") }));
    }

    void addDeleteAndRestart()
    {
        {
            ConfigService config;
            config.load();
            SourceFolders folders(config);
            QCOMPARE(folders.startupPath(), QString());
            QCOMPARE(folders.addFolder(QStringLiteral("/m/a")), QStringLiteral("/m/a"));
            folders.addFolder(QStringLiteral("/m/b"));
            folders.addFolder(QStringLiteral("/m/a"));
            QCOMPARE(config.value(QStringLiteral("sourcePathList")),
                QStringLiteral("[\"/m/a\",\"/m/b\"]"));
            QCOMPARE(config.value(QStringLiteral("sourcePath")), QStringLiteral("/m/a"));
            QCOMPARE(folders.removeFolder(QStringLiteral("/m/a")), QStringLiteral("/m/b"));
            QCOMPARE(config.value(QStringLiteral("sourcePathList")), QStringLiteral("[\"/m/b\"]"));
        }
        QVERIFY(fixture->restart());
        {
            ConfigService config;
            config.load();
            SourceFolders folders(config);
            QCOMPARE(folders.loadSourcePathList(), QStringList { QStringLiteral("/m/b") });
            QCOMPARE(folders.startupPath(), QStringLiteral("/m/b"));
            // Deleting the last folder leaves nothing current.
            QCOMPARE(folders.removeFolder(QStringLiteral("/m/b")), QString());
            QVERIFY(folders.loadSourcePathList().isEmpty());
            QCOMPARE(config.value(QStringLiteral("sourcePath"), QStringLiteral("none")),
                QStringLiteral("none"));
        }
        QVERIFY(fixture->restart());
        ConfigService config;
        config.load();
        SourceFolders folders(config);
        QVERIFY(folders.loadSourcePathList().isEmpty());
        QCOMPARE(folders.startupPath(), QString());
    }

    void startupFallsBackToFirstListed()
    {
        ConfigService config;
        config.load();
        config.setValue(QStringLiteral("sourcePathList"), QStringLiteral("/m/x|/m/y"));
        SourceFolders folders(config);
        QCOMPARE(folders.startupPath(), QStringLiteral("/m/x"));
        QCOMPARE(config.value(QStringLiteral("sourcePath")), QStringLiteral("/m/x"));
        // The old "|"-joined form is read once and written back in the form that holds any
        // path: a folder named with "|" is one entry and can be removed.
        QCOMPARE(
            config.value(QStringLiteral("sourcePathList")), QStringLiteral("[\"/m/x\",\"/m/y\"]"));
        folders.addFolder(QStringLiteral("/music/Rock|Pop"));
        QCOMPARE(folders.loadSourcePathList(),
            (QStringList { "/m/x", "/m/y", QStringLiteral("/music/Rock|Pop") }));
        QCOMPARE(folders.removeFolder(QStringLiteral("/music/Rock|Pop")), QStringLiteral("/m/x"));
        QCOMPARE(folders.loadSourcePathList(), (QStringList { "/m/x", "/m/y" }));
    }

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

QTEST_GUILESS_MAIN(tst_SourceFolders)
#include "tst_sourcefolders.moc"
