#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/dict.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "support/databasefixture.h"
#include "support/logcapture.h"

#include <QtTest>
#include <memory>

namespace {
MediaPtr makeMedia(int libraryId, const QString &name, int sortNum, int start = 0, int end = 0)
{
    auto m = std::make_shared<Media>();
    m->libraryId = libraryId;
    m->name = name;
    m->path = QStringLiteral("/music/") + name + QStringLiteral(".flac");
    m->startPos = start;
    m->endPos = end;
    m->album = QStringLiteral("Album");
    m->author = QStringLiteral("Artist");
    m->sortNum = sortNum;
    return m;
}

MediaLibraryPtr makeLibrary(const QString &name, int sortNum)
{
    auto l = std::make_shared<MediaLibrary>();
    l->name = name;
    l->sortNum = sortNum;
    return l;
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

    void mediaRoundTripAndOrder()
    {
        Dao dao;
        QCOMPARE(dao.maxMediaSortNum(7), 0);
        // Inserted out of order; listed by sortNum.
        const auto third = makeMedia(7, QStringLiteral("third"), 3, 300, 420);
        const auto first = makeMedia(7, QStringLiteral("first"), 1);
        const auto second = makeMedia(7, QStringLiteral("second"), 2, 12, 213);
        const auto other = makeMedia(8, QStringLiteral("other"), 1);
        for (const auto &m : { third, first, second, other })
            QVERIFY(dao.insertMedia(m));
        QVERIFY(first->id > 0);
        QVERIFY(third->id != first->id);
        QCOMPARE(dao.maxMediaSortNum(7), 3);

        const QList<MediaPtr> listed = dao.listMedia(7);
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed.at(0)->name, QStringLiteral("first"));
        QCOMPARE(listed.at(1)->name, QStringLiteral("second"));
        QCOMPARE(listed.at(2)->name, QStringLiteral("third"));

        const MediaPtr read = dao.getMedia(second->id);
        QVERIFY(read);
        QCOMPARE(read->libraryId, 7);
        QCOMPARE(read->path, second->path);
        QCOMPARE(read->startPos, 12);
        QCOMPARE(read->endPos, 213);
        QCOMPARE(read->album, QStringLiteral("Album"));
        QCOMPARE(read->author, QStringLiteral("Artist"));

        read->sortNum = 10;
        read->name = QStringLiteral("moved");
        QVERIFY(dao.updateMedia(read));
        QCOMPARE(dao.listMedia(7).last()->name, QStringLiteral("moved"));

        QVERIFY(dao.deleteMedia(first->id));
        QVERIFY(!dao.getMedia(first->id));
        QCOMPARE(dao.listMedia(7).size(), 2);
    }

    void libraryRoundTripAndOrder()
    {
        Dao dao;
        QCOMPARE(dao.maxLibrarySortNum(), 0);
        const auto b = makeLibrary(QStringLiteral("B"), 2);
        const auto a = makeLibrary(QStringLiteral("A"), 1);
        QVERIFY(dao.insertLibrary(b));
        QVERIFY(dao.insertLibrary(a));
        QCOMPARE(dao.maxLibrarySortNum(), 2);
        QCOMPARE(dao.listLibraries().first()->name, QStringLiteral("A"));

        b->sortNum = 0;
        QVERIFY(dao.updateLibrary(b));
        QCOMPARE(dao.listLibraries().first()->name, QStringLiteral("B"));
        QCOMPARE(dao.getLibrary(a->id)->name, QStringLiteral("A"));

        // Deleting a playlist leaves its tracks unless they are deleted first.
        QVERIFY(dao.insertMedia(makeMedia(a->id, QStringLiteral("t"), 1)));
        QVERIFY(dao.deleteLibrary(a->id));
        QVERIFY(!dao.getLibrary(a->id));
        QCOMPARE(dao.listMedia(a->id).size(), 1);
    }

    void dictRoundTrip()
    {
        Dao dao;
        auto d = std::make_shared<Dict>();
        d->dictName = QStringLiteral("exportPath");
        d->dictDesc = QStringLiteral("exportPath");
        d->dictValue = QStringLiteral("/home/u/Music");
        QVERIFY(dao.insertDict(d));
        QVERIFY(d->dictId > 0);
        d->dictValue = QStringLiteral("/tmp");
        QVERIFY(dao.updateDict(d));
        const QList<DictPtr> rows = dao.listDicts();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first()->dictValue, QStringLiteral("/tmp"));
        QCOMPARE(rows.first()->dictId, d->dictId);
    }

    void missingRowsAreSilent()
    {
        LogCapture log;
        Dao dao;
        QVERIFY(!dao.getMedia(4242));
        QVERIFY(!dao.getLibrary(4242));
        QVERIFY(dao.listMedia(4242).isEmpty());
        QVERIFY(log.linesStartingWith(QStringLiteral("**Debug** Dao Error")).isEmpty());
    }

    void failedStatementLogsOnceWithSqlAndDriverText()
    {
        // No connection registered: every statement fails.
        DatabaseRegistry::release();
        DatabaseRegistry::create();
        LogCapture log;
        Dao dao;
        const auto media = makeMedia(1, QStringLiteral("x"), 1);
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
