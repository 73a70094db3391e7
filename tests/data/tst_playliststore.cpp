#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "data/playliststore.h"
#include "support/databasefixture.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

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

// Each stored track as "name start end sortNum", in the order the Dao lists them.
QStringList stored(int playlistId)
{
    QStringList rows;
    for (const MediaPtr &m : Dao().listMedia(playlistId))
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(m->name)
                    .arg(m->startPos)
                    .arg(m->endPos)
                    .arg(m->sortNum);
    return rows;
}

// Every row of both tables, to compare states.
QStringList dump()
{
    QStringList rows;
    for (const char *table : { "MediaLibrary", "Media" }) {
        QSqlQuery query(DatabaseRegistry::database(false));
        query.exec(QStringLiteral("select * from %1 order by id").arg(table));
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields << query.value(i).toString();
            rows << fields.join(QLatin1Char('|'));
        }
    }
    return rows;
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
    void saveSequence();
    void failureLeavesEarlierState_data();
    void failureLeavesEarlierState();
    void entryRounding();
    void trackMapping();
    void orderSurvivesRestart();

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

// Blank names, the name matched ignoring case and blanks, playlists and tracks appended after
// the largest sortNum, nothing added twice, deletion of a playlist with its tracks.
void PlaylistStoreTest::saveSequence()
{
    PlaylistStore store;
    for (const char *blank : { "", "   ", "\t\n" })
        QCOMPARE(store.save(blank, album()).status, PlaylistStore::SaveStatus::BlankName);
    QVERIFY(dump().isEmpty());
    auto first = Dao().getLibrary(store.save(QStringLiteral("A"), {}).playlistId);
    first->sortNum = 5;
    QVERIFY(Dao().updateLibrary(first));
    const int id = store.save(QStringLiteral("Night Drive"), album().mid(0, 2)).playlistId;
    QCOMPARE(Dao().getLibrary(id)->sortNum, 6);
    auto second = Dao().listMedia(id).at(1);
    second->sortNum = 7;
    QVERIFY(Dao().updateMedia(second));

    const auto result = store.save(QStringLiteral("  nIGHT dRIVE "),
        { entry("New1", "/m/n.wav"), album().at(0), entry("New2", "/m/n2.wav") });
    QCOMPARE(result.status, PlaylistStore::SaveStatus::Saved);
    QCOMPARE(result.playlistId, id);
    QCOMPARE(result.name, QStringLiteral("nIGHT dRIVE"));
    QCOMPARE(result.added, 2);
    QCOMPARE(Dao().getLibrary(id)->name, QStringLiteral("Night Drive"));
    QCOMPARE(
        stored(id), QStringList({ "One 0 180 1", "Two 180 400 7", "New1 0 0 8", "New2 0 0 9" }));
    QCOMPARE(store.save(QStringLiteral("Night Drive"), album()).added, 1);

    // Within one save: a file's ranges, whole or not, are told apart by their bounds only.
    const int other = store
                          .save(QStringLiteral("P"),
                              { entry("a", "/m/x.ape", 0, 60), entry("b", "/m/x.ape", 60, 90),
                                  entry("again", "/m/x.ape", 0, 60), entry("w", "/m/x.ape"),
                                  entry("w2", "/m/x.ape"), entry("y", "/m/y.ape", 0, 60) })
                          .playlistId;
    QCOMPARE(stored(other), QStringList({ "a 0 60 1", "b 60 90 2", "w 0 0 3", "y 0 60 4" }));

    QVERIFY(store.deletePlaylist(id));
    QVERIFY(!Dao().getLibrary(id) && Dao().listMedia(id).isEmpty());
    QCOMPARE(stored(other).size(), 4);
}

void PlaylistStoreTest::failureLeavesEarlierState_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("fault");
    const QString refuse = QStringLiteral(
        "create trigger refuse before %1 when %2.name = 'Two' begin select raise(abort, 'no'); "
        "end");
    QTest::newRow("save, a track refused") << "save" << refuse.arg("insert on Media", "new");
    QTest::newRow("delete") << "delete" << refuse.arg("delete on Media", "old");
    QTest::newRow("track order") << "tracks" << refuse.arg("update on Media", "new");
    QTest::newRow("playlist order") << "playlists" << refuse.arg("update on MediaLibrary", "new");
}

// Each change is stored whole or not at all: a fault part way through leaves every row as it
// was, and the change reports its failure.
void PlaylistStoreTest::failureLeavesEarlierState()
{
    QFETCH(QString, operation);
    QFETCH(QString, fault);
    PlaylistStore store;
    const int one = store.save(QStringLiteral("One"), album()).playlistId;
    const int two = store.save(QStringLiteral("Two"), album().mid(2)).playlistId;
    QVERIFY(QSqlQuery(DatabaseRegistry::database(false)).exec(fault));
    const QStringList before = dump();

    if (operation == QLatin1String("save")) {
        const auto result = store.save(
            QStringLiteral("New"), { entry("Track", "/m/new.flac"), entry("Two", "/m/two.flac") });
        QCOMPARE(result.status, PlaylistStore::SaveStatus::Failed);
        QCOMPARE(result.playlistId, 0);
    } else if (operation == QLatin1String("delete")) {
        QVERIFY(!store.deletePlaylist(one));
    } else if (operation == QLatin1String("tracks")) {
        QList<int> reversed;
        for (const PlaylistTrack &t : store.tracks(one))
            reversed.prepend(t.mediaId);
        QVERIFY(!store.storeTrackOrder(reversed));
    } else {
        QVERIFY(!store.storePlaylistOrder({ 0, one, two }));
    }
    QCOMPARE(dump(), before);
}

// Start and length are rounded apart, halves up; a whole file keeps 0 and 0.
void PlaylistStoreTest::entryRounding()
{
    QStringList got;
    for (const auto &[start, duration] :
        { std::pair { 12.5, 200.4 }, { 12.49, 0.5 }, { 0.4, 0.4 }, { 205.493333, 59.506667 } }) {
        const PlaylistEntry e = PlaylistStore::entryForTrack("t", "/m/a", start, duration, false);
        got << QStringLiteral("%1-%2").arg(e.startPos).arg(e.endPos);
    }
    QCOMPARE(got, QStringList({ "13-213", "12-13", "0-0", "205-265" }));
    const PlaylistEntry whole = PlaylistStore::entryForTrack("t", "/m/a", 3.0, 120.0, true);
    QCOMPARE(whole.startPos + whole.endPos, 0);
}

// A stored row as a track: its bounds as start and length, 0 and 0 as the whole file (titled by
// the file's name when stored).
void PlaylistStoreTest::trackMapping()
{
    Media media;
    media.id = 42;
    media.name = QStringLiteral("Title");
    media.path = QStringLiteral("/m/x/02 Song.live.FLAC");
    QStringList got;
    for (const auto &[start, end] :
        { std::pair { 0, 0 }, { 30, 20 }, { 30, 90 }, { 0, 100 }, { 40, 40 } }) {
        media.startPos = start;
        media.endPos = end;
        const PlaylistTrack row = PlaylistStore::trackFromMedia(media, 3);
        const TrackInfo &t = row.track;
        got << QStringLiteral("%1 %2 %3 %4")
                   .arg(t.startSeconds)
                   .arg(t.durationSeconds)
                   .arg(int(t.wholeFile))
                   .arg(row.storedTitle);
        QCOMPARE(QStringLiteral("%1 %2 %3|%4|%5|%6")
                     .arg(row.mediaId)
                     .arg(t.number)
                     .arg(t.title, t.filePath, t.fileType, t.cuePath),
            "42 3 Title|" + media.path + "|flac|");
    }
    QCOMPARE(got,
        QStringList({ "0 0 1 02 Song.live", "30 0 0 Title", "30 60 0 Title", "0 100 0 Title",
            "40 0 0 Title" }));
}

// The playlist dragged to the top, tracks reordered: the order is read back after a restart,
// numbered by place (a row without an id is passed over but keeps its place, unknown ids are
// ignored).
void PlaylistStoreTest::orderSurvivesRestart()
{
    PlaylistStore store;
    QList<int> ids;
    for (const char *name : { "First", "Second", "Third" })
        ids << store.save(QString::fromLatin1(name), album()).playlistId;
    QVERIFY(store.storePlaylistOrder({ ids[2], 0, ids[0], ids[1] }));
    const QVector<PlaylistTrack> before = store.tracks(ids[0]);
    QVERIFY(
        store.storeTrackOrder({ before[2].mediaId, before[0].mediaId, before[1].mediaId, 9999 }));
    QVERIFY(fixture->restart());

    QStringList playlists;
    for (const MediaLibraryPtr &p : PlaylistStore().playlists())
        playlists << QStringLiteral("%1 %2").arg(p->name).arg(p->sortNum);
    QCOMPARE(playlists, QStringList({ "Third 1", "First 3", "Second 4" }));
    QCOMPARE(stored(ids[0]), QStringList({ "Loose 0 0 1", "One 0 180 2", "Two 180 400 3" }));
    QStringList numbered;
    for (const PlaylistTrack &t : PlaylistStore().tracks(ids[0]))
        numbered << QString::number(t.track.number) + t.track.title;
    QCOMPARE(numbered, QStringList({ "1Loose", "2One", "3Two" }));
}

QTEST_GUILESS_MAIN(PlaylistStoreTest)
#include "tst_playliststore.moc"
