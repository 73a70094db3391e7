#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "support/audiosupport.h"
#include "support/databasefixture.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>
#include <memory>

using TestSupport::whenModalShown;

namespace {
int addPlaylist(const QString &name, int sortNum)
{
    auto playlist = std::make_shared<MediaLibrary>();
    playlist->name = name;
    playlist->sortNum = sortNum;
    return Dao().insertLibrary(playlist) ? playlist->id : 0;
}

int addTrack(
    int playlistId, const QString &name, const QString &path, int start, int end, int sortNum)
{
    auto media = std::make_shared<Media>();
    media->libraryId = playlistId;
    media->name = name;
    media->path = path;
    media->startPos = start;
    media->endPos = end;
    media->sortNum = sortNum;
    return Dao().insertMedia(media) ? media->id : 0;
}

// "name:sortNum" of every playlist, in stored order.
QStringList storedPlaylists()
{
    QStringList result;
    const QList<MediaLibraryPtr> all = Dao().listLibraries();
    for (const MediaLibraryPtr &playlist : all)
        result << QStringLiteral("%1:%2").arg(playlist->name).arg(playlist->sortNum);
    return result;
}

QStringList storedTracks(int playlistId)
{
    QStringList result;
    const QList<MediaPtr> all = Dao().listMedia(playlistId);
    for (const MediaPtr &media : all)
        result << QStringLiteral("%1:%2").arg(media->name).arg(media->sortNum);
    return result;
}

int trackCount(int playlistId)
{
    QSqlQuery query(DatabaseRegistry::database(false));
    query.exec(QStringLiteral("select count(*) from Media where libraryId = %1").arg(playlistId));
    return query.next() ? query.value(0).toInt() : -1;
}

QStringList columnTexts(QTreeWidget *list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

QStringList queueTitles(const PlaybackEngine *engine)
{
    QStringList titles;
    for (const TrackInfo &track : engine->playQueue())
        titles << QStringLiteral("%1 %2").arg(track.number).arg(track.title);
    return titles;
}

// Answers the next message box with its sure (or cancel) button; returns where its text goes.
std::shared_ptr<QString> answerNextBox(bool sure = true)
{
    auto text = std::make_shared<QString>();
    whenModalShown([text, sure](QWidget *box) {
        *text = box->findChild<QLabel *>(QStringLiteral("lbMessageBoxContent"))->text();
        box->findChild<QPushButton *>(
               sure ? QStringLiteral("btnSure") : QStringLiteral("btnCancel"))
            ->click();
    });
    return text;
}

void clickRow(QTreeWidget *list, QTreeWidgetItem *row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
}

// Drags row onto the point `to` of the list's viewport with mouse events delivered through the
// window system. Qt's drag loop runs nested inside the move that starts the drag, so the moves
// and the release that end it are queued before that move.
void dragRow(QTreeWidget *list, QTreeWidgetItem *row, const QPoint &to)
{
    QWindow *window = list->window()->windowHandle();
    const auto inWindow = [list, window](const QPoint &p) {
        return window->mapFromGlobal(list->viewport()->mapToGlobal(p));
    };
    const QPoint from = list->visualItemRect(row).center();
    const QPoint away = from + QPoint(0, 3 * QApplication::startDragDistance());
    QTest::mousePress(window, Qt::LeftButton, {}, inWindow(from));
    QTest::mouseMove(window, inWindow(from + QPoint(0, 2)));

    QTimer::singleShot(0, [window, target = inWindow(to)]() {
        QTest::mouseMove(window, target + QPoint(0, 1));
        QTest::mouseMove(window, target);
        QTest::mouseRelease(window, Qt::LeftButton, {}, target);
    });
    // Should the drop not end the loop, a late release does, so the test fails rather than hangs.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout,
        [window, away]() { QTest::mouseRelease(window, Qt::LeftButton, {}, away); });
    guard.start(5000);
    QTest::mouseMove(window, inWindow(away));
}

// Just inside the top edge of a row: a drop there goes above it.
QPoint aboveRow(QTreeWidget *list, QTreeWidgetItem *row)
{
    return list->visualItemRect(row).topLeft() + QPoint(20, 2);
}
} // namespace

// The playlists panel of the main window on a real data.db: showing, playing, saving, deleting
// and reordering by drag and drop.
class tst_PlaylistsPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listedInStoredOrderAtStart();
    void showsPlaylistTracks();
    void showingDropsTheCoverLookup();
    void playsStoredRange_data();
    void playsStoredRange();
    void playWithoutTracksOrSelection();
    void saveSelectedList();
    void deleteClearsListAndQueue();
    void deleteNeedsSelectionAndConsent();
    void dragPlaylistToTop();
    void dragTrackKeepsPlayingEntry();
    void sheetRowsRefuseDrags();

private:
    // A shown window on the playlists page.
    std::unique_ptr<MainWindow> openWindow();
    QTreeWidget *library(MainWindow &window)
    {
        return window.findChild<QTreeWidget *>(QStringLiteral("twLibraryView"));
    }
    QTreeWidget *current(MainWindow &window)
    {
        return window.findChild<QTreeWidget *>(QStringLiteral("twCurrentMusicView"));
    }
    void requirePulse()
    {
        if (!pulseRunning)
            QSKIP("no PulseAudio to play on");
    }

    PulseSupport::PrivateServer pulse;
    bool pulseRunning = false;
    QTemporaryDir dir;
    QString shortTone; // 4 s
    QString longTone; // 34 s
    std::unique_ptr<DatabaseFixture> db;
};

void tst_PlaylistsPanel::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    pulseRunning = pulse.start();
    shortTone = dir.filePath(QStringLiteral("short.flac"));
    longTone = dir.filePath(QStringLiteral("long.flac"));
    QVERIFY(TestSupport::makeTone(shortTone, 440, 4.0));
    QVERIFY(TestSupport::makeTone(longTone, 660, 34.0));
}

void tst_PlaylistsPanel::init()
{
    db = std::make_unique<DatabaseFixture>();
    QVERIFY(db->isValid());
    ConfigService::instance()->load();
}

void tst_PlaylistsPanel::cleanup()
{
    QThreadPool::globalInstance()->waitForDone();
    db.reset();
}

std::unique_ptr<MainWindow> tst_PlaylistsPanel::openWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    window->findChild<QPushButton *>(QStringLiteral("btnPlaylist"))->click();
    return window;
}

void tst_PlaylistsPanel::listedInStoredOrderAtStart()
{
    const int rock = addPlaylist("Rock", 2);
    const int jazz = addPlaylist("Jazz", 1);
    auto window = openWindow();
    QVERIFY(window);
    QTreeWidget *list = library(*window);
    QCOMPARE(columnTexts(list, 0), QStringList({ "Jazz", "Rock" }));
    QTreeWidgetItem *row = list->topLevelItem(1);
    QCOMPARE(row->data(0, Qt::UserRole).toString(), QString("playlist"));
    QCOMPARE(row->data(0, Qt::UserRole + 1).toInt(), rock);
    QCOMPARE(list->topLevelItem(0)->data(0, Qt::UserRole + 1).toInt(), jazz);
    QVERIFY(row->flags() & Qt::ItemIsDragEnabled);
    QVERIFY(!(row->flags() & Qt::ItemIsDropEnabled));
}

void tst_PlaylistsPanel::showsPlaylistTracks()
{
    const int id = addPlaylist("Mixed", 1);
    const int range = addTrack(id, "Intro", "/m/album.flac", 12, 80, 1);
    const int whole = addTrack(id, "ignored", "/m/Loose Song.MP3", 0, 0, 2);
    const int backwards = addTrack(id, "Coda", "/m/album.flac", 30, 20, 3);
    auto window = openWindow();
    QVERIFY(window);
    QTreeWidget *list = current(*window);
    QCOMPARE(list->dragDropMode(), QAbstractItemView::NoDragDrop);

    clickRow(library(*window), library(*window)->topLevelItem(0));
    QCOMPARE(columnTexts(list, 0), QStringList({ "Intro", "Loose Song.MP3", "Coda" }));
    QCOMPARE(columnTexts(list, 1), QStringList({ "00:12", "", "00:30" }));
    QCOMPARE(columnTexts(list, 2), QStringList({ "01:08", "", "00:00" }));
    QCOMPARE(columnTexts(list, 3), QStringList({ "1", "2", "3" }));
    QTreeWidgetItem *wholeRow = list->topLevelItem(1);
    QCOMPARE(wholeRow->data(0, TrackRow::TitleRole).toString(), QString("Loose Song"));
    QCOMPARE(wholeRow->data(0, TrackRow::NumberRole).toInt(), 2);
    QCOMPARE(wholeRow->data(0, TrackRow::FileTypeRole).toString(), QString("mp3"));
    QVERIFY(wholeRow->data(0, TrackRow::WholeFileRole).toBool());
    QCOMPARE(wholeRow->data(0, TrackRow::CuePathRole).toString(), QString());
    QCOMPARE(list->topLevelItem(0)->data(0, TrackRow::MediaIdRole).toInt(), range);
    QCOMPARE(wholeRow->data(0, TrackRow::MediaIdRole).toInt(), whole);
    QCOMPARE(list->topLevelItem(2)->data(0, TrackRow::MediaIdRole).toInt(), backwards);
    QCOMPARE(list->topLevelItem(2)->data(0, TrackRow::TitleRole).toString(), QString("Coda"));
    QVERIFY(!(list->topLevelItem(0)->flags() & Qt::ItemIsDropEnabled));

    QCOMPARE(list->dragDropMode(), QAbstractItemView::InternalMove);
    QCOMPARE(list->defaultDropAction(), Qt::MoveAction);
    QVERIFY(list->showDropIndicator());

    const PlaybackEngine *engine = window->playbackEngine();
    QCOMPARE(engine->currentIndex(), -1);
    QCOMPARE(queueTitles(engine), QStringList({ "1 Intro", "2 ignored", "3 Coda" }));
    const QVector<TrackInfo> &queue = engine->playQueue();
    QCOMPARE(queue[0].durationSeconds, 68.0);
    QCOMPARE(queue[2].startSeconds, 30.0);
    QCOMPARE(queue[2].durationSeconds, 0.0);
    QVERIFY(queue[1].wholeFile && !queue[0].wholeFile && !queue[2].wholeFile);
}

void tst_PlaylistsPanel::showingDropsTheCoverLookup()
{
    QTemporaryDir folder;
    QImage green(64, 64, QImage::Format_RGB32);
    green.fill(Qt::green);
    QVERIFY(green.save(folder.filePath("cover.png")));
    addPlaylist("Empty", 1);
    auto window = openWindow();
    QVERIFY(window);
    auto *cover = window->findChild<QLabel *>(QStringLiteral("lbCover"));
    const auto centre = [cover]() {
        const QImage image = cover->pixmap(Qt::ReturnByValue).toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };
    const auto settle = []() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    };

    window->loadCover(folder.filePath("album.flac"), false);
    settle();
    QCOMPARE(centre(), QColor(Qt::green)); // the folder's cover lands when nothing intervenes

    window->loadCover(folder.filePath("album.flac"), false);
    clickRow(library(*window), library(*window)->topLevelItem(0));
    settle();
    QVERIFY(centre() != QColor(Qt::green));
    QVERIFY(!cover->pixmap(Qt::ReturnByValue).isNull());
}

void tst_PlaylistsPanel::playsStoredRange_data()
{
    QTest::addColumn<bool>("longFile");
    QTest::addColumn<int>("startPos");
    QTest::addColumn<int>("endPos");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("duration");
    QTest::addColumn<int>("progressMaximum");
    QTest::newRow("whole file") << false << 0 << 0 << 0.0 << 0.0 << 4000;
    QTest::newRow("end before start: to the end") << true << 30 << 20 << 30.0 << 0.0 << 4000;
    QTest::newRow("range") << false << 1 << 3 << 1.0 << 2.0 << 2000;
}

void tst_PlaylistsPanel::playsStoredRange()
{
    requirePulse();
    QFETCH(bool, longFile);
    QFETCH(int, startPos);
    QFETCH(int, endPos);
    const QString path = longFile ? longTone : shortTone;
    const int id = addPlaylist("One", 1);
    addTrack(id, "Track", path, startPos, endPos, 1);
    addTrack(id, "Other", shortTone, 2, 4, 2);
    auto window = openWindow();
    QVERIFY(window);
    library(*window)->setCurrentItem(library(*window)->topLevelItem(0));

    window->findChild<QPushButton *>(QStringLiteral("btnPlayLibrary"))->click();
    const PlaybackEngine *engine = window->playbackEngine();
    QTRY_VERIFY(engine->isPlaying());
    QCOMPARE(engine->currentPath(), path);
    QTEST(engine->trackStart(), "start");
    QTEST(engine->trackDuration(), "duration");
    QFETCH(int, progressMaximum);
    QVERIFY2(qAbs(engine->progressMaximum() - progressMaximum) < 50,
        qPrintable(QString::number(engine->progressMaximum())));
    QCOMPARE(engine->currentIndex(), 0);
    QCOMPARE(current(*window)->currentItem(), current(*window)->topLevelItem(0));
    QTRY_VERIFY(engine->positionMs() > 0);
}

void tst_PlaylistsPanel::playWithoutTracksOrSelection()
{
    addPlaylist("Empty", 1);
    auto window = openWindow();
    QVERIFY(window);
    auto *play = window->findChild<QPushButton *>(QStringLiteral("btnPlayLibrary"));

    auto asked = answerNextBox();
    play->click();
    QCOMPARE(*asked, QString("Please select a playlist"));

    library(*window)->setCurrentItem(library(*window)->topLevelItem(0));
    asked = answerNextBox();
    play->click();
    QCOMPARE(*asked, QString("This playlist has no songs"));
    QVERIFY(!window->playbackEngine()->isPlaying());
    QVERIFY(window->playbackEngine()->currentPath().isEmpty());
}

void tst_PlaylistsPanel::saveSelectedList()
{
    const int existing = addPlaylist("Existing", 1);
    auto window = openWindow();
    QVERIFY(window);
    auto *save = window->findChild<QPushButton *>(QStringLiteral("btnSaveToLibrary"));

    auto asked = answerNextBox();
    save->click();
    QCOMPARE(*asked, QString("Please add tracks to the export list first"));

    auto *selected = window->findChild<QTreeWidget *>(QStringLiteral("twSelectedMusicView"));
    TrackInfo range;
    range.number = 2;
    range.title = "Second";
    range.startSeconds = 12.5;
    range.durationSeconds = 200.4;
    range.filePath = "/m/album.flac";
    TrackInfo whole;
    whole.number = 1;
    whole.title = "loose";
    whole.filePath = "/m/loose.mp3";
    whole.startSeconds = 3; // a whole file is stored as 0 and 0 whatever its row says
    whole.wholeFile = true;
    selected->addTopLevelItem(TrackRow::make(range, 0, false));
    selected->addTopLevelItem(TrackRow::make(whole, 1, false));

    auto saved = std::make_shared<QString>();
    whenModalShown([saved](QWidget *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("cbLibraryName"))
            ->setEditText(QStringLiteral("Fresh"));
        whenModalShown([saved](QWidget *box) {
            *saved = box->findChild<QLabel *>(QStringLiteral("lbMessageBoxContent"))->text();
            box->findChild<QPushButton *>(QStringLiteral("btnSure"))->click();
        });
        dialog->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    });
    save->click();
    QCOMPARE(*saved, QString("Save completed"));

    QCOMPARE(columnTexts(library(*window), 0), QStringList({ "Existing", "Fresh" }));
    const int fresh = library(*window)->topLevelItem(1)->data(0, Qt::UserRole + 1).toInt();
    QVERIFY(fresh > existing);
    const QList<MediaPtr> stored = Dao().listMedia(fresh);
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored[0]->name, QString("Second"));
    QCOMPARE(stored[0]->startPos, 13);
    QCOMPARE(stored[0]->endPos, 213);
    QCOMPARE(stored[1]->name, QString("loose.mp3"));
    QCOMPARE(stored[1]->startPos, 0);
    QCOMPARE(stored[1]->endPos, 0);
}

void tst_PlaylistsPanel::deleteClearsListAndQueue()
{
    const int shown = addPlaylist("Shown", 1);
    const int doomed = addPlaylist("Doomed", 2);
    addTrack(shown, "A", shortTone, 0, 2, 1);
    addTrack(shown, "B", shortTone, 2, 4, 2);
    addTrack(doomed, "C", longTone, 0, 10, 1);
    addTrack(doomed, "D", longTone, 10, 20, 2);
    auto window = openWindow();
    QVERIFY(window);
    QTreeWidget *playlists = library(*window);
    clickRow(playlists, playlists->topLevelItem(0));
    QCOMPARE(current(*window)->topLevelItemCount(), 2);
    PlaybackEngine *engine = window->playbackEngine();
    if (pulseRunning) {
        current(*window)->setCurrentItem(current(*window)->topLevelItem(0));
        window->on_btnPlay_clicked();
        QTRY_VERIFY(engine->isPlaying());
    }

    playlists->setCurrentItem(playlists->topLevelItem(1));
    auto asked = answerNextBox();
    window->findChild<QPushButton *>(QStringLiteral("btnDeleteLibrary"))->click();
    QCOMPARE(*asked, QString("Are you sure you want to delete this playlist?"));

    QCOMPARE(storedPlaylists(), QStringList({ "Shown:1" }));
    QCOMPARE(trackCount(doomed), 0);
    QCOMPARE(trackCount(shown), 2);
    QCOMPARE(columnTexts(playlists, 0), QStringList({ "Shown" }));
    QCOMPARE(current(*window)->topLevelItemCount(), 0);
    QVERIFY(engine->playQueue().isEmpty());
    QCOMPARE(engine->currentIndex(), -1);
    if (pulseRunning)
        QVERIFY(engine->isPlaying()); // what plays keeps playing
}

void tst_PlaylistsPanel::deleteNeedsSelectionAndConsent()
{
    const int id = addPlaylist("Keep", 1);
    addTrack(id, "A", shortTone, 0, 2, 1);
    auto window = openWindow();
    QVERIFY(window);
    auto *remove = window->findChild<QPushButton *>(QStringLiteral("btnDeleteLibrary"));

    auto asked = answerNextBox();
    remove->click();
    QCOMPARE(*asked, QString("Please select a playlist"));

    library(*window)->setCurrentItem(library(*window)->topLevelItem(0));
    asked = answerNextBox(false);
    remove->click();
    QCOMPARE(*asked, QString("Are you sure you want to delete this playlist?"));
    QCOMPARE(storedPlaylists(), QStringList({ "Keep:1" }));
    QCOMPARE(trackCount(id), 1);
    QCOMPARE(library(*window)->topLevelItemCount(), 1);
}

void tst_PlaylistsPanel::dragPlaylistToTop()
{
    addPlaylist("First", 1);
    addPlaylist("Second", 2);
    addPlaylist("Third", 3);
    {
        auto window = openWindow();
        QVERIFY(window);
        QTreeWidget *list = library(*window);
        dragRow(list, list->topLevelItem(2), aboveRow(list, list->topLevelItem(0)));
        QCOMPARE(columnTexts(list, 0), QStringList({ "Third", "First", "Second" }));
        QTRY_COMPARE(storedPlaylists(), QStringList({ "Third:1", "First:2", "Second:3" }));
    }
    QVERIFY(db->restart());
    auto window = openWindow();
    QVERIFY(window);
    QCOMPARE(columnTexts(library(*window), 0), QStringList({ "Third", "First", "Second" }));
}

void tst_PlaylistsPanel::dragTrackKeepsPlayingEntry()
{
    requirePulse();
    const int id = addPlaylist("Album", 1);
    addTrack(id, "A", longTone, 0, 10, 1);
    addTrack(id, "B", longTone, 10, 20, 2);
    addTrack(id, "C", longTone, 20, 30, 3);
    auto window = openWindow();
    QVERIFY(window);
    clickRow(library(*window), library(*window)->topLevelItem(0));
    QTreeWidget *list = current(*window);
    PlaybackEngine *engine = window->playbackEngine();
    list->setCurrentItem(list->topLevelItem(0));
    window->on_btnPlay_clicked();
    QTRY_VERIFY(engine->isPlaying());
    QCOMPARE(engine->currentIndex(), 0);

    dragRow(list, list->topLevelItem(2), aboveRow(list, list->topLevelItem(0)));
    QCOMPARE(columnTexts(list, 0), QStringList({ "C", "A", "B" }));
    QTRY_COMPARE(storedTracks(id), QStringList({ "C:1", "A:2", "B:3" }));
    QCOMPARE(columnTexts(list, 3), QStringList({ "1", "2", "3" }));
    QCOMPARE(list->topLevelItem(0)->data(0, TrackRow::NumberRole).toInt(), 1);
    QCOMPARE(queueTitles(engine), QStringList({ "1 C", "2 A", "3 B" }));
    QCOMPARE(engine->playQueue()[0].startSeconds, 20.0);
    // A still plays: Next goes on from A's new place, whichever row is current now.
    QCOMPARE(engine->currentIndex(), 1);
    QVERIFY(engine->isPlaying());
}

void tst_PlaylistsPanel::sheetRowsRefuseDrags()
{
    // A sheet's tracks in a list that still takes drags, as after a playlist was shown.
    auto window = openWindow();
    QVERIFY(window);
    QTreeWidget *list = current(*window);
    const QVector<TrackInfo> tracks { AudioSupport::track(longTone, 1, 0, 10),
        AudioSupport::track(longTone, 2, 10, 10), AudioSupport::track(longTone, 3, 20, 10) };
    TrackRow::fill(list, tracks, false);
    window->playbackEngine()->setPlayQueue(tracks);
    list->setDragDropMode(QAbstractItemView::InternalMove);
    list->setDefaultDropAction(Qt::MoveAction);

    dragRow(list, list->topLevelItem(2), aboveRow(list, list->topLevelItem(0)));
    QCoreApplication::processEvents();
    QCOMPARE(columnTexts(list, 0), QStringList({ "Track 1", "Track 2", "Track 3" }));
    QCOMPARE(queueTitles(window->playbackEngine()),
        QStringList({ "1 Track 1", "2 Track 2", "3 Track 3" }));
}

// The offscreen platform drops every drag at once; the minimal one runs Qt's own drag loop,
// which the test's mouse events drive.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "minimal");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_PlaylistsPanel test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playlistspanel.moc"
