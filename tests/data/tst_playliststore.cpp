#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "data/playliststore.h"
#include "support/databasefixture.h"

#include <QSqlQuery>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(PlaylistEntry)

namespace {
PlaylistEntry entry(const QString &name, const QString &path, int start = 0, int end = 0)
{
    PlaylistEntry e;
    e.name = name;
    e.path = path;
    e.startPos = start;
    e.endPos = end;
    return e;
}

QList<PlaylistEntry> album()
{
    return { entry("One", "/m/album.flac", 0, 180), entry("Two", "/m/album.flac", 180, 400),
        entry("Loose", "/m/loose.mp3") };
}

// Each stored track as "name start end sortNum", in sortNum order.
QStringList stored(int playlistId)
{
    QStringList rows;
    const QList<MediaPtr> all = Dao().listMedia(playlistId);
    for (const MediaPtr &m : all)
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(m->name)
                    .arg(m->startPos)
                    .arg(m->endPos)
                    .arg(m->sortNum);
    return rows;
}

int countRows(const QString &table)
{
    QSqlQuery query(DatabaseRegistry::database(false));
    query.exec(QStringLiteral("select count(*) from ") + table);
    return query.next() ? query.value(0).toInt() : -1;
}
} // namespace

class PlaylistStoreTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fixture = std::make_unique<DatabaseFixture>();
        QVERIFY(fixture->isValid());
    }
    void cleanup() { fixture.reset(); }
    void newPlaylistFollowsLargestSortNumber();
    void nameMatchedIgnoringCase();
    void sameSelectionTwiceAddsNothing();
    void duplicatesWithinOneSave_data();
    void duplicatesWithinOneSave();
    void appendedAfterLargestTrackSortNumber();
    void blankNameSavesNothing_data();
    void blankNameSavesNothing();
    void failedTrackIsReportedAndRetried();
    void entryRounding_data();
    void entryRounding();
    void trackMapping_data();
    void trackMapping();
    void tracksNumberedInStoredOrder();
    void deleteRemovesTracksThenPlaylist();
    void playlistOrderSurvivesRestart();
    void trackOrderStored();

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

void PlaylistStoreTest::newPlaylistFollowsLargestSortNumber()
{
    PlaylistStore store;
    const int a = store.save(QStringLiteral("A"), {}).playlistId;
    QVERIFY(a > 0);
    auto first = Dao().getLibrary(a);
    first->sortNum = 5;
    QVERIFY(Dao().updateLibrary(first));
    const auto result = store.save(QStringLiteral("B"), album());
    QCOMPARE(Dao().getLibrary(result.playlistId)->sortNum, 6);
}

void PlaylistStoreTest::nameMatchedIgnoringCase()
{
    PlaylistStore store;
    const int id = store.save(QStringLiteral("Night Drive"), album().mid(0, 1)).playlistId;
    const auto result = store.save(QStringLiteral("  nIGHT dRIVE "), album().mid(1));
    QCOMPARE(result.status, PlaylistStore::SaveStatus::Saved);
    QCOMPARE(result.playlistId, id);
    QCOMPARE(result.name, QStringLiteral("nIGHT dRIVE"));
    QCOMPARE(store.playlists().size(), 1);
    QCOMPARE(store.playlists().at(0)->name, QStringLiteral("Night Drive"));
    QCOMPARE(stored(id), QStringList({ "One 0 180 1", "Two 180 400 2", "Loose 0 0 3" }));
}

void PlaylistStoreTest::sameSelectionTwiceAddsNothing()
{
    PlaylistStore store;
    const int id = store.save(QStringLiteral("P"), album()).playlistId;
    const auto again = store.save(QStringLiteral("P"), album());
    QCOMPARE(again.status, PlaylistStore::SaveStatus::Saved);
    QCOMPARE(again.added, 0);
    QCOMPARE(stored(id).size(), 3);
}

void PlaylistStoreTest::duplicatesWithinOneSave_data()
{
    QTest::addColumn<QList<PlaylistEntry>>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two ranges of one file") << QList<PlaylistEntry> { entry("a", "/m/x.ape", 0, 60),
        entry("b", "/m/x.ape", 60, 90) } << QStringList { "a 0 60 1", "b 60 90 2" };
    QTest::newRow("same range twice")
        << QList<PlaylistEntry> { entry("a", "/m/x.ape", 0, 60), entry("again", "/m/x.ape", 0, 60) }
        << QStringList { "a 0 60 1" };
    QTest::newRow("whole file twice") << QList<PlaylistEntry> { entry("w", "/m/x.ape"),
        entry("w2", "/m/x.ape") } << QStringList { "w 0 0 1" };
    QTest::newRow("whole file and a range") << QList<PlaylistEntry> { entry("w", "/m/x.ape"),
        entry("r", "/m/x.ape", 0, 60) } << QStringList { "w 0 0 1", "r 0 60 2" };
    QTest::newRow("same range of other files")
        << QList<PlaylistEntry> { entry("a", "/m/x.ape", 0, 60), entry("b", "/m/y.ape", 0, 60) }
        << QStringList { "a 0 60 1", "b 0 60 2" };
}

void PlaylistStoreTest::duplicatesWithinOneSave()
{
    QFETCH(QList<PlaylistEntry>, entries);
    QFETCH(QStringList, expected);
    const auto result = PlaylistStore().save(QStringLiteral("P"), entries);
    QCOMPARE(result.added, expected.size());
    QCOMPARE(stored(result.playlistId), expected);
    QCOMPARE(PlaylistStore::duplicateKey("/m/x.ape", 0, 60), QStringLiteral("/m/x.ape|0|60"));
}

void PlaylistStoreTest::appendedAfterLargestTrackSortNumber()
{
    PlaylistStore store;
    const int id = store.save(QStringLiteral("P"), album().mid(0, 2)).playlistId;
    auto second = Dao().listMedia(id).at(1);
    second->sortNum = 7;
    QVERIFY(Dao().updateMedia(second));
    store.save(QStringLiteral("P"),
        { entry("New1", "/m/n.wav"), entry("One", "/m/album.flac", 0, 180),
            entry("New2", "/m/n2.wav") });
    QCOMPARE(
        stored(id), QStringList({ "One 0 180 1", "Two 180 400 7", "New1 0 0 8", "New2 0 0 9" }));
}

void PlaylistStoreTest::blankNameSavesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "   ";
    QTest::newRow("tab and newline") << "\t\n";
}

void PlaylistStoreTest::blankNameSavesNothing()
{
    QFETCH(QString, name);
    const auto result = PlaylistStore().save(name, album());
    QCOMPARE(result.status, PlaylistStore::SaveStatus::BlankName);
    QCOMPARE(countRows(QStringLiteral("MediaLibrary")), 0);
    QCOMPARE(countRows(QStringLiteral("Media")), 0);
}

// A track the database refuses is reported; the others stay stored and a second save adds only
// the refused one.
void PlaylistStoreTest::failedTrackIsReportedAndRetried()
{
    QSqlQuery query(DatabaseRegistry::database(false));
    QVERIFY(query.exec(
        QStringLiteral("create trigger refuse before insert on Media when new.name = 'Two' "
                       "begin select raise(abort, 'refused'); end")));
    PlaylistStore store;
    const auto first = store.save(QStringLiteral("P"), album());
    QCOMPARE(first.status, PlaylistStore::SaveStatus::TracksFailed);
    QVERIFY(first.playlistId > 0);
    QCOMPARE(first.added, 2);
    QCOMPARE(stored(first.playlistId), QStringList({ "One 0 180 1", "Loose 0 0 3" }));

    QVERIFY(query.exec(QStringLiteral("drop trigger refuse")));
    const auto second = store.save(QStringLiteral("P"), album());
    QCOMPARE(second.status, PlaylistStore::SaveStatus::Saved);
    QCOMPARE(second.added, 1);
    QCOMPARE(
        stored(first.playlistId), QStringList({ "One 0 180 1", "Loose 0 0 3", "Two 180 400 4" }));
}

void PlaylistStoreTest::entryRounding_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("duration");
    QTest::addColumn<bool>("wholeFile");
    QTest::addColumn<int>("startPos");
    QTest::addColumn<int>("endPos");
    QTest::newRow("halves go up") << 12.5 << 200.4 << false << 13 << 213;
    QTest::newRow("below half") << 12.49 << 0.5 << false << 12 << 13;
    QTest::newRow("each rounded apart") << 0.4 << 0.4 << false << 0 << 0;
    QTest::newRow("cue frames") << 205.493333 << 59.506667 << false << 205 << 265;
    QTest::newRow("whole file") << 3.0 << 120.0 << true << 0 << 0;
}

void PlaylistStoreTest::entryRounding()
{
    QFETCH(double, start);
    QFETCH(double, duration);
    QFETCH(bool, wholeFile);
    QFETCH(int, startPos);
    QFETCH(int, endPos);
    const PlaylistEntry e =
        PlaylistStore::entryForTrack("t", "/m/a.flac", start, duration, wholeFile);
    QCOMPARE(e.startPos, startPos);
    QCOMPARE(e.endPos, endPos);
    QCOMPARE(e.name, QStringLiteral("t"));
    QVERIFY(e.album.isEmpty() && e.author.isEmpty());
}

void PlaylistStoreTest::trackMapping_data()
{
    QTest::addColumn<int>("startPos");
    QTest::addColumn<int>("endPos");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("duration");
    QTest::addColumn<bool>("wholeFile");
    QTest::addColumn<QString>("storedTitle");
    QTest::newRow("whole file") << 0 << 0 << 0.0 << 0.0 << true << "02 Song.live";
    QTest::newRow("end before start") << 30 << 20 << 30.0 << 0.0 << false << "Title";
    QTest::newRow("range") << 30 << 90 << 30.0 << 60.0 << false << "Title";
    QTest::newRow("from the start") << 0 << 100 << 0.0 << 100.0 << false << "Title";
    QTest::newRow("empty range") << 40 << 40 << 40.0 << 0.0 << false << "Title";
}

void PlaylistStoreTest::trackMapping()
{
    QFETCH(int, startPos);
    QFETCH(int, endPos);
    Media media;
    media.id = 42;
    media.name = QStringLiteral("Title");
    media.path = QStringLiteral("/m/x/02 Song.live.FLAC");
    media.startPos = startPos;
    media.endPos = endPos;
    const PlaylistTrack row = PlaylistStore::trackFromMedia(media, 3);
    const TrackInfo &track = row.track;
    QTEST(track.startSeconds, "start");
    QTEST(track.durationSeconds, "duration");
    QTEST(track.wholeFile, "wholeFile");
    QTEST(row.storedTitle, "storedTitle");
    QCOMPARE(row.mediaId, 42);
    QCOMPARE(track.number, 3);
    QVERIFY(track.cuePath.isEmpty());
    QCOMPARE(track.title, QStringLiteral("Title"));
    QCOMPARE(track.filePath, media.path);
    QCOMPARE(track.fileType, QStringLiteral("flac"));
}

void PlaylistStoreTest::tracksNumberedInStoredOrder()
{
    PlaylistStore store;
    const int id = store.save(QStringLiteral("P"), album()).playlistId;
    auto first = Dao().listMedia(id).at(0);
    first->sortNum = 10;
    QVERIFY(Dao().updateMedia(first));
    const QVector<PlaylistTrack> tracks = store.tracks(id);
    QCOMPARE(tracks.size(), 3);
    QCOMPARE(tracks.at(0).track.title, QStringLiteral("Two"));
    QCOMPARE(tracks.at(2).track.title, QStringLiteral("One"));
    for (int i = 0; i < tracks.size(); ++i)
        QCOMPARE(tracks.at(i).track.number, i + 1);
    QVERIFY(tracks.at(1).track.wholeFile);
    QVERIFY(store.tracks(id + 100).isEmpty());
}

void PlaylistStoreTest::deleteRemovesTracksThenPlaylist()
{
    PlaylistStore store;
    const int gone = store.save(QStringLiteral("Gone"), album()).playlistId;
    const int kept = store.save(QStringLiteral("Kept"), album().mid(0, 1)).playlistId;
    store.deletePlaylist(gone);
    QVERIFY(!Dao().getLibrary(gone));
    QVERIFY(Dao().listMedia(gone).isEmpty());
    QCOMPARE(countRows(QStringLiteral("Media")), 1);
    QCOMPARE(stored(kept), QStringList({ "One 0 180 1" }));
}

void PlaylistStoreTest::playlistOrderSurvivesRestart()
{
    PlaylistStore store;
    QList<int> ids;
    for (const char *name : { "First", "Second", "Third" })
        ids << store.save(QString::fromLatin1(name), {}).playlistId;
    // The third dragged to the top; a row without an id is passed over but keeps its place.
    store.storePlaylistOrder({ ids[2], 0, ids[0], ids[1] });
    QVERIFY(fixture->restart());
    QStringList order;
    QList<int> sortNums;
    const auto playlists = PlaylistStore().playlists();
    for (const MediaLibraryPtr &p : playlists) {
        order << p->name;
        sortNums << p->sortNum;
    }
    QCOMPARE(order, QStringList({ "Third", "First", "Second" }));
    QCOMPARE(sortNums, QList<int>({ 1, 3, 4 }));
}

void PlaylistStoreTest::trackOrderStored()
{
    PlaylistStore store;
    const int id = store.save(QStringLiteral("P"), album()).playlistId;
    const QVector<PlaylistTrack> before = store.tracks(id);
    store.storeTrackOrder({ before[2].mediaId, before[0].mediaId, before[1].mediaId, 9999 });
    QCOMPARE(stored(id), QStringList({ "Loose 0 0 1", "One 0 180 2", "Two 180 400 3" }));
}

QTEST_GUILESS_MAIN(PlaylistStoreTest)
#include "tst_playliststore.moc"
