#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "support/databasefixture.h"
#include "support/testsupport.h"

#include <QtTest>
#include <memory>

namespace {
MediaPtr makeMedia()
{
    auto m = std::make_shared<Media>();
    m->libraryId = 7;
    m->name = QStringLiteral("second");
    m->path = QStringLiteral("/music/second.flac");
    m->startPos = 12;
    m->endPos = 213;
    m->album = QStringLiteral("Album");
    m->author = QStringLiteral("Artist");
    m->sortNum = 2;
    return m;
}
} // namespace

class tst_Dao : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fixture = std::make_unique<DatabaseFixture>();
        QVERIFY(fixture->isValid());
    }
    void cleanup() { fixture.reset(); }

    // Order, update and delete are seen through PlaylistStore and ConfigService; this checks
    // every field of a track and that missing rows stay silent.
    void mediaFieldsRoundTrip()
    {
        LogCapture log;
        Dao dao;
        const auto media = makeMedia();
        QVERIFY(dao.insertMedia(media));
        QVERIFY(media->id > 0);
        const MediaPtr read = dao.getMedia(media->id);
        QVERIFY(read);
        QCOMPARE(QStringList({ QString::number(read->libraryId), read->name, read->path,
                     QString::number(read->startPos), QString::number(read->endPos), read->album,
                     read->author, QString::number(read->sortNum) }),
            QStringList(
                { "7", "second", "/music/second.flac", "12", "213", "Album", "Artist", "2" }));
        QVERIFY(!dao.getMedia(4242));
        QVERIFY(!dao.getLibrary(4242));
        QVERIFY(log.linesStartingWith(QStringLiteral("**Debug** Dao Error")).isEmpty());
    }

    void failedStatementLogsOnceWithSqlAndDriverText()
    {
        // No connection registered: every statement fails.
        DatabaseRegistry::release();
        DatabaseRegistry::create();
        LogCapture log;
        Dao dao;
        const auto media = makeMedia();
        media->id = 55;
        QVERIFY(!dao.insertMedia(media));
        QCOMPARE(media->id, 55);
        const QStringList lines = log.linesStartingWith(QStringLiteral("**Debug** Dao Error: "));
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().contains(
            QStringLiteral("sql: insert into Media (libraryId,name,path,startPos,endPos,album,"
                           "author,sortNum) values (:libraryId,:name,:path,:startPos,:endPos,"
                           ":album,:author,:sortNum)\r\nerror: ")));
        QVERIFY(lines.first().size() > lines.first().indexOf(QStringLiteral("error: ")) + 7);

        QCOMPARE(dao.maxMediaSortNum(1), 0);
        QVERIFY(dao.listLibraries().isEmpty());
        QVERIFY(dao.listDicts().isEmpty());
        QCOMPARE(log.linesStartingWith(QStringLiteral("**Debug** Dao Error: ")).size(), 4);
        DatabaseRegistry::release();
    }

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

QTEST_GUILESS_MAIN(tst_Dao)
#include "tst_dao.moc"
