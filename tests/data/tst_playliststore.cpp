#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "data/playliststore.h"
#include "support/databasefixture.h"
#include "support/testapp.h"
#include "support/testsupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>
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
    void saveSequence();
    void duplicatesWithinOneSave_data();
    void duplicatesWithinOneSave();
    void failureLeavesEarlierState_data();
    void failureLeavesEarlierState();
    void killedSaveLeavesAllOrNothing();
    void entryRounding_data();
    void entryRounding();
    void trackMapping_data();
    void trackMapping();
    void deleteRemovesTracksThenPlaylist();
    void playlistOrderSurvivesRestart();
    void trackOrder();

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

// Blank names, the playlist's place, the name matched ignoring case and blanks, tracks appended
// after the largest sortNum, and nothing added twice.
void PlaylistStoreTest::saveSequence()
{
    PlaylistStore store;
    for (const char *blank : { "", "   ", "\t\n" })
        QCOMPARE(store.save(blank, album()).status, PlaylistStore::SaveStatus::BlankName);
    QCOMPARE(countRows(QStringLiteral("MediaLibrary")) + countRows(QStringLiteral("Media")), 0);
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
    QCOMPARE(store.playlists().size(), 2);
    QCOMPARE(Dao().getLibrary(id)->name, QStringLiteral("Night Drive"));
    QCOMPARE(
        stored(id), QStringList({ "One 0 180 1", "Two 180 400 7", "New1 0 0 8", "New2 0 0 9" }));
    QCOMPARE(store.save(QStringLiteral("Night Drive"), album()).added, 1);
    QCOMPARE(store.save(QStringLiteral("Night Drive"), album()).added, 0);
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
}

void PlaylistStoreTest::failureLeavesEarlierState_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("fault");
    const QString refuse = QStringLiteral(
        "create trigger refuse before %1 when %2.name = 'Two' begin select raise(abort, 'no'); "
        "end");
    QTest::newRow("save, a track refused") << "save" << refuse.arg("insert on Media", "new");
    QTest::newRow("save, disk full") << "save" << QString();
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
    QSqlQuery query(DatabaseRegistry::database(false));
    if (fault.isEmpty()) {
        // No page beyond the ones in use: the next page needed fails as on a full disk.
        QVERIFY(query.exec(QStringLiteral("pragma page_count")) && query.next());
        QVERIFY(
            query.exec(QStringLiteral("pragma max_page_count = %1").arg(query.value(0).toInt())));
    } else {
        QVERIFY(query.exec(fault));
    }
    const QStringList before = dump();

    if (operation == QLatin1String("save")) {
        QList<PlaylistEntry> many;
        for (int i = 0; i < 500; ++i)
            many << entry(i == 1 ? "Two" : "Track", "/m/" + QString(60, 'x') + QString::number(i));
        const auto result = store.save(QStringLiteral("New"), many);
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
    QCOMPARE(QStringLiteral("%1 %2 %3|%4|%5|%6")
                 .arg(row.mediaId)
                 .arg(track.number)
                 .arg(track.title, track.filePath, track.fileType, track.cuePath),
        "42 3 Title|" + media.path + "|flac|");
}

void PlaylistStoreTest::deleteRemovesTracksThenPlaylist()
{
    PlaylistStore store;
    const int gone = store.save(QStringLiteral("Gone"), album()).playlistId;
    const int kept = store.save(QStringLiteral("Kept"), album().mid(0, 1)).playlistId;
    QVERIFY(store.deletePlaylist(gone));
    QVERIFY(!Dao().getLibrary(gone));
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

void PlaylistStoreTest::trackOrder()
{
    PlaylistStore store;
    const int id = store.save(QStringLiteral("P"), album()).playlistId;
    const QVector<PlaylistTrack> before = store.tracks(id);
    store.storeTrackOrder({ before[2].mediaId, before[0].mediaId, before[1].mediaId, 9999 });
    QCOMPARE(stored(id), QStringList({ "Loose 0 0 1", "One 0 180 2", "Two 180 400 3" }));
    QStringList numbered;
    for (const PlaylistTrack &t : store.tracks(id))
        numbered << QString::number(t.track.number) + t.track.title;
    QCOMPARE(numbered, QStringList({ "1Loose", "2One", "3Two" }));
    QVERIFY(store.tracks(id + 100).isEmpty());
}

namespace {
const char *const saveChildFlag = "--save-until-killed";
constexpr int childTracks = 2000;

// The child: saves playlists of childTracks tracks into the data folder one after another,
// saying so after each, until it is killed.
int saveUntilKilled(const QString &dataDir)
{
    ApplicationBase::setInstance(new TestApp(TestSupport::binDir(), dataDir));
    DatabaseRegistry::create();
    if (!DatabaseRegistry::bootstrapDatabases())
        return 1;
    QList<PlaylistEntry> entries;
    for (int i = 0; i < childTracks; ++i)
        entries << entry(
            QStringLiteral("Track %1").arg(i), QStringLiteral("/m/album.flac"), i, i + 1);
    QTextStream out(stdout);
    // Names differ between children, so that each save adds all its tracks.
    const QString name = QStringLiteral("P%1-").arg(QCoreApplication::applicationPid());
    for (int round = 0;; ++round) {
        if (PlaylistStore().save(name + QString::number(round), entries).added != childTracks)
            return 2;
        out << "saved " << round << Qt::endl;
    }
}
} // namespace

// kill -9 at a random point of a run of saves: every playlist is there with all its tracks, or
// not at all, and the database is sound.
void PlaylistStoreTest::killedSaveLeavesAllOrNothing()
{
    const QString dataRoot = QFileInfo(fixture->dataDir()).path();
    for (int round = 0; round < 4; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            { QString::fromLatin1(saveChildFlag), dataRoot });
        QVERIFY2(child.waitForReadyRead(60000), child.readAllStandardError().constData());
        QTest::qWait(QRandomGenerator::global()->bounded(200));
        child.kill();
        QVERIFY(child.waitForFinished(10000));

        BootstrapReport report;
        DatabaseRegistry::release();
        DatabaseRegistry::create();
        QVERIFY(DatabaseRegistry::bootstrapDatabases(&report));
        QVERIFY(report.setAside.isEmpty());
        const QList<MediaLibraryPtr> playlists = Dao().listLibraries();
        QVERIFY(!playlists.isEmpty());
        for (const MediaLibraryPtr &p : playlists)
            QCOMPARE(Dao().listMedia(p->id).size(), childTracks);
        QCOMPARE(countRows(QStringLiteral("Media")), childTracks * playlists.size());
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], saveChildFlag) == 0)
        return saveUntilKilled(QString::fromLocal8Bit(argv[2]));
    PlaylistStoreTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_playliststore.moc"
