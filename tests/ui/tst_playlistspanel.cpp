#include "audio/playbackengine.h"
#include "data/dao.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "support/audiosupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

using TestSupport::answerNextBox;
using TestSupport::columnTexts;

namespace {
int addPlaylist(const QString &name, int sortNum)
{
    auto playlist = std::make_shared<MediaLibrary>();
    playlist->name = name;
    playlist->sortNum = sortNum;
    return Dao().insertLibrary(playlist) ? playlist->id : 0;
}

void addTrack(
    int playlist, const QString &name, const QString &path, int start, int end, int sortNum)
{
    auto media = std::make_shared<Media>();
    media->libraryId = playlist;
    media->name = name;
    media->path = path;
    media->startPos = start;
    media->endPos = end;
    media->sortNum = sortNum;
    QVERIFY(Dao().insertMedia(media));
}

// "name:sortNum" of every playlist, or of a playlist's tracks, in stored order.
QStringList storedPlaylists()
{
    QStringList result;
    for (const MediaLibraryPtr &playlist : Dao().listLibraries())
        result << QStringLiteral("%1:%2").arg(playlist->name).arg(playlist->sortNum);
    return result;
}

QStringList storedTracks(int playlist)
{
    QStringList result;
    for (const MediaPtr &media : Dao().listMedia(playlist))
        result << QStringLiteral("%1:%2").arg(media->name).arg(media->sortNum);
    return result;
}

QStringList queueTitles(const PlaybackEngine *engine)
{
    QStringList titles;
    for (const TrackInfo &track : engine->playQueue())
        titles << QStringLiteral("%1 %2").arg(track.number).arg(track.title);
    return titles;
}

void clickRow(QTreeWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
        list->visualItemRect(list->topLevelItem(row)).center());
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
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }
    void showsPlaylistTracks();
    void playsStoredRange_data();
    void playsStoredRange();
    void buttons_data();
    void buttons();
    void saveSelectedList();
    void dragPlaylistToTop();
    void dragTrackKeepsPlayingEntry();
    void sheetRowsRefuseDrags();

private:
    // A shown window on the playlists page.
    std::unique_ptr<MainWindow> openWindow()
    {
        auto window = WindowFixture::open();
        if (window)
            child<QPushButton>(*window, "btnPlaylist")->click();
        return window;
    }
    static QTreeWidget *library(MainWindow &w) { return child<QTreeWidget>(w, "twLibraryView"); }
    static QTreeWidget *current(MainWindow &w)
    {
        return child<QTreeWidget>(w, "twCurrentMusicView");
    }

    PulseSupport::PrivateServer pulse;
    bool pulseRunning = false;
    QTemporaryDir dir;
    QString shortTone; // 4 s
    QString longTone; // 34 s
    std::unique_ptr<WindowFixture> fixture;
};

void tst_PlaylistsPanel::initTestCase()
{
    pulseRunning = pulse.start();
    shortTone = dir.filePath("short.flac");
    longTone = dir.filePath("long.flac");
    QVERIFY(TestSupport::makeTone(shortTone, 440, 4.0));
    QVERIFY(TestSupport::makeTone(longTone, 660, 34.0));
}

void tst_PlaylistsPanel::showsPlaylistTracks()
{
    const int id = addPlaylist("Mixed", 1);
    addTrack(id, "Intro", "/m/album.flac", 12, 80, 1);
    addTrack(id, "ignored", "/m/Loose Song.MP3", 0, 0, 2);
    addTrack(id, "Coda", "/m/album.flac", 30, 20, 3);
    QTemporaryDir folder;
    QImage green(64, 64, QImage::Format_RGB32);
    green.fill(Qt::green);
    QVERIFY(green.save(folder.filePath("cover.png")));
    auto window = openWindow();
    QVERIFY(window);

    // Showing a playlist drops a cover look-up still under way.
    window->loadCover(folder.filePath("album.flac"), false);
    clickRow(library(*window), 0);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    const QImage cover = child<QLabel>(*window, "lbCover")->pixmap(Qt::ReturnByValue).toImage();
    QVERIFY(cover.pixelColor(cover.width() / 2, cover.height() / 2) != QColor(Qt::green));

    QTreeWidget *list = current(*window);
    QCOMPARE(columnTexts(list, 0), QStringList({ "Intro", "Loose Song.MP3", "Coda" }));
    QCOMPARE(columnTexts(list, 3), QStringList({ "1", "2", "3" }));
    QCOMPARE(list->topLevelItem(1)->data(0, TrackRow::TitleRole).toString(), QString("Loose Song"));
    QVERIFY(list->topLevelItem(1)->data(0, TrackRow::WholeFileRole).toBool());
    QCOMPARE(list->dragDropMode(), QAbstractItemView::InternalMove);
    const PlaybackEngine *engine = window->playbackEngine();
    QCOMPARE(engine->currentIndex(), -1);
    QCOMPARE(queueTitles(engine), QStringList({ "1 Intro", "2 ignored", "3 Coda" }));
    const QVector<TrackInfo> &queue = engine->playQueue();
    QCOMPARE(queue[0].durationSeconds, 68.0);
    QCOMPARE(queue[2].startSeconds, 30.0);
    QCOMPARE(queue[2].durationSeconds, 0.0); // ends before it starts: to the file's end
    QVERIFY(queue[1].wholeFile && !queue[0].wholeFile && !queue[2].wholeFile);
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
    if (!pulseRunning)
        QSKIP("no PulseAudio to play on");
    QFETCH(bool, longFile);
    QFETCH(int, startPos);
    QFETCH(int, endPos);
    QFETCH(int, progressMaximum);
    const QString path = longFile ? longTone : shortTone;
    const int id = addPlaylist("One", 1);
    addTrack(id, "Track", path, startPos, endPos, 1);
    addTrack(id, "Other", shortTone, 2, 4, 2);
    auto window = openWindow();
    QVERIFY(window);
    library(*window)->setCurrentItem(library(*window)->topLevelItem(0));
    child<QPushButton>(*window, "btnPlayLibrary")->click();
    const PlaybackEngine *engine = window->playbackEngine();
    QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);
    QCOMPARE(engine->currentPath(), path);
    QTEST(engine->trackStart(), "start");
    QTEST(engine->trackDuration(), "duration");
    QVERIFY2(qAbs(engine->progressMaximum() - progressMaximum) < 50,
        qPrintable(QString::number(engine->progressMaximum())));
    QCOMPARE(engine->currentIndex(), 0);
    QCOMPARE(current(*window)->currentItem(), current(*window)->topLevelItem(0));
}

void tst_PlaylistsPanel::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("select"); // playlist row selected first; -1: none
    QTest::addColumn<bool>("sure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("playlists"); // stored afterwards
    QTest::addColumn<int>("rows"); // of the current list and the queue afterwards
    const QString ask = "Are you sure you want to delete this playlist?";
    const QStringList all { "Shown:1", "Empty:2", "Doomed:3" };
    QTest::newRow("play, none selected")
        << "btnPlayLibrary" << -1 << true << "Please select a playlist" << all << 2;
    QTest::newRow("play an empty playlist")
        << "btnPlayLibrary" << 1 << true << "This playlist has no songs" << all << 0;
    QTest::newRow("save an empty export list")
        << "btnSaveToLibrary" << -1 << true << "Please add tracks to the export list first" << all
        << 2;
    QTest::newRow("delete, none selected")
        << "btnDeleteLibrary" << -1 << true << "Please select a playlist" << all << 2;
    QTest::newRow("delete, declined") << "btnDeleteLibrary" << 2 << false << ask << all << 2;
    QTest::newRow("delete, accepted")
        << "btnDeleteLibrary" << 2 << true << ask << QStringList { "Shown:1", "Empty:2" } << 0;
}

void tst_PlaylistsPanel::buttons()
{
    QFETCH(int, select);
    QFETCH(bool, sure);
    QFETCH(QStringList, playlists);
    const int shown = addPlaylist("Shown", 1);
    addPlaylist("Empty", 2);
    const int doomed = addPlaylist("Doomed", 3);
    addTrack(shown, "A", shortTone, 0, 2, 1);
    addTrack(shown, "B", shortTone, 2, 4, 2);
    addTrack(doomed, "C", longTone, 0, 10, 1);
    auto window = openWindow();
    QVERIFY(window);
    clickRow(library(*window), 0);
    PlaybackEngine *engine = window->playbackEngine();
    const bool deleting = playlists.size() < 3;
    if (deleting && pulseRunning) {
        current(*window)->setCurrentItem(current(*window)->topLevelItem(0));
        window->on_btnPlay_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);
    }

    library(*window)->setCurrentItem(select < 0 ? nullptr : library(*window)->topLevelItem(select));
    auto said = answerNextBox(sure);
    QFETCH(QString, button);
    child<QPushButton>(*window, qPrintable(button))->click();
    QTEST(*said, "message");
    QCOMPARE(storedPlaylists(), playlists);
    QCOMPARE(storedTracks(doomed), deleting ? QStringList() : QStringList { "C:1" });
    QCOMPARE(storedTracks(shown), QStringList({ "A:1", "B:2" }));
    QCOMPARE(columnTexts(library(*window), 0).size(), playlists.size());
    // A deleted playlist clears the list and queue shown; what plays keeps playing.
    QFETCH(int, rows);
    QCOMPARE(current(*window)->topLevelItemCount(), rows);
    QCOMPARE(engine->playQueue().size(), rows);
    QCOMPARE(engine->currentIndex(), -1);
    QCOMPARE(engine->isPlaying(), deleting && pulseRunning);
}

void tst_PlaylistsPanel::saveSelectedList()
{
    const int existing = addPlaylist("Existing", 1);
    auto window = openWindow();
    QVERIFY(window);
    TrackInfo range = AudioSupport::track("/m/album.flac", 2, 12.5, 200.4);
    range.title = "Second";
    TrackInfo whole = range;
    whole.filePath = "/m/loose.mp3";
    whole.wholeFile = true; // stored as 0 and 0 whatever its row says
    auto *selected = child<QTreeWidget>(*window, "twSelectedMusicView");
    selected->addTopLevelItem(TrackRow::make(range, 0, false));
    selected->addTopLevelItem(TrackRow::make(whole, 1, false));

    std::shared_ptr<QString> saved;
    TestSupport::whenModalShown([&saved](QWidget *dialog) {
        child<QComboBox>(*dialog, "cbLibraryName")->setEditText("Fresh");
        saved = answerNextBox();
        child<QPushButton>(*dialog, "btnSave")->click();
    });
    child<QPushButton>(*window, "btnSaveToLibrary")->click();
    QVERIFY(saved);
    QCOMPARE(*saved, QString("Save completed"));
    QCOMPARE(columnTexts(library(*window), 0), QStringList({ "Existing", "Fresh" }));
    const int fresh = library(*window)->topLevelItem(1)->data(0, Qt::UserRole + 1).toInt();
    QVERIFY(fresh > existing);
    const QList<MediaPtr> stored = Dao().listMedia(fresh);
    QCOMPARE(stored.size(), 2);
    QCOMPARE(QStringList({ stored[0]->name, QString::number(stored[0]->startPos),
                 QString::number(stored[0]->endPos), stored[1]->name,
                 QString::number(stored[1]->startPos), QString::number(stored[1]->endPos) }),
        QStringList({ "Second", "13", "213", "loose.mp3", "0", "0" }));
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
        QVERIFY(list->topLevelItem(2)->flags() & Qt::ItemIsDragEnabled);
        QVERIFY(!(list->topLevelItem(0)->flags() & Qt::ItemIsDropEnabled));
        dragRow(list, list->topLevelItem(2), aboveRow(list, list->topLevelItem(0)));
        QCOMPARE(columnTexts(list, 0), QStringList({ "Third", "First", "Second" }));
        QTRY_COMPARE(storedPlaylists(), QStringList({ "Third:1", "First:2", "Second:3" }));
    }
    QVERIFY(fixture->restart());
    auto window = openWindow();
    QVERIFY(window);
    QCOMPARE(columnTexts(library(*window), 0), QStringList({ "Third", "First", "Second" }));
}

void tst_PlaylistsPanel::dragTrackKeepsPlayingEntry()
{
    if (!pulseRunning)
        QSKIP("no PulseAudio to play on");
    const int id = addPlaylist("Album", 1);
    addTrack(id, "A", longTone, 0, 10, 1);
    addTrack(id, "B", longTone, 10, 20, 2);
    addTrack(id, "C", longTone, 20, 30, 3);
    auto window = openWindow();
    QVERIFY(window);
    clickRow(library(*window), 0);
    QTreeWidget *list = current(*window);
    PlaybackEngine *engine = window->playbackEngine();
    list->setCurrentItem(list->topLevelItem(0));
    window->on_btnPlay_clicked();
    QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);

    dragRow(list, list->topLevelItem(2), aboveRow(list, list->topLevelItem(0)));
    QCOMPARE(columnTexts(list, 0), QStringList({ "C", "A", "B" }));
    QTRY_COMPARE(storedTracks(id), QStringList({ "C:1", "A:2", "B:3" }));
    QCOMPARE(columnTexts(list, 3), QStringList({ "1", "2", "3" }));
    QCOMPARE(list->topLevelItem(0)->data(0, TrackRow::NumberRole).toInt(), 1);
    QCOMPARE(queueTitles(engine), QStringList({ "1 C", "2 A", "3 B" }));
    QCOMPARE(engine->playQueue()[0].startSeconds, 20.0);
    // A still plays: Next goes on from A's new place.
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
