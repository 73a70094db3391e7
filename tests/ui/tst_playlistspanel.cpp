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
// A stored playlist with tracks "name|path|startPos|endPos", numbered in order; its id.
int addPlaylist(const QString &name, int sortNum, const QStringList &tracks = {})
{
    auto playlist = std::make_shared<MediaLibrary>();
    playlist->name = name;
    playlist->sortNum = sortNum;
    Dao().insertLibrary(playlist);
    for (int i = 0; i < tracks.size(); ++i) {
        const QStringList parts = tracks[i].split('|');
        auto media = std::make_shared<Media>();
        media->libraryId = playlist->id;
        media->name = parts[0];
        media->path = parts[1];
        media->startPos = parts[2].toInt();
        media->endPos = parts[3].toInt();
        media->sortNum = i + 1;
        Dao().insertMedia(media);
    }
    return playlist->id;
}

// "name:sortNum" of every playlist (id 0) or of a playlist's tracks, in stored order.
QStringList stored(int playlist = 0)
{
    QStringList result;
    for (const MediaLibraryPtr &p : Dao().listLibraries())
        result << QStringLiteral("%1:%2").arg(p->name).arg(p->sortNum);
    if (playlist == 0)
        return result;
    result.clear();
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

// Drags the last row just above the first with mouse events delivered through the window
// system. Qt's drag loop runs nested inside the move that starts the drag, so the moves and the
// release that end it are queued before that move; the target is found once the press has made
// the row current (the list may scroll).
void dragLastToTop(QTreeWidget *list)
{
    QWindow *window = list->window()->windowHandle();
    const auto inWindow = [list, window](const QPoint &p) {
        return window->mapFromGlobal(list->viewport()->mapToGlobal(p));
    };
    QTreeWidgetItem *row = list->topLevelItem(list->topLevelItemCount() - 1);
    const QPoint from = list->visualItemRect(row).center();
    const QPoint away = from + QPoint(0, 3 * QApplication::startDragDistance());
    QTest::mousePress(window, Qt::LeftButton, {}, inWindow(from));
    QTest::mouseMove(window, inWindow(from + QPoint(0, 2)));
    const QPoint target =
        inWindow(list->visualItemRect(list->topLevelItem(0)).topLeft() + QPoint(20, 2));
    QTimer::singleShot(0, [window, target]() {
        QTest::mouseMove(window, target + QPoint(0, 1));
        QTest::mouseMove(window, target);
        QTest::mouseRelease(window, Qt::LeftButton, {}, target);
    });
    // Should the drop not end the loop, a late release does, so the test fails rather than hangs.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [window, away, inWindow]() {
        QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(away));
    });
    guard.start(5000);
    QTest::mouseMove(window, inWindow(away));
}
} // namespace

// The playlists panel of the main window on a real data.db: showing, playing, saving, deleting
// and reordering by drag and drop.
class tst_PlaylistsPanel : public QObject
{
    Q_OBJECT

    PulseSupport::PrivateServer pulse;
    bool pulseRunning = false;
    QTemporaryDir dir;
    QString shortTone; // 4 s
    QString longTone; // 34 s
    std::unique_ptr<WindowFixture> fixture;

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

private slots:
    void initTestCase()
    {
        pulseRunning = pulse.start();
        shortTone = dir.filePath("short.flac");
        longTone = dir.filePath("long.flac");
        QVERIFY(TestSupport::makeTone(shortTone, 440, 4.0));
        QVERIFY(TestSupport::makeTone(longTone, 660, 34.0));
    }
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }

    void showsPlaylistTracks()
    {
        addPlaylist("Mixed", 1,
            { "Intro|/m/album.flac|12|80", "ignored|/m/Loose Song.MP3|0|0",
                "Coda|/m/album.flac|30|20" });
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
        QCOMPARE(
            list->topLevelItem(1)->data(0, TrackRow::TitleRole).toString(), QString("Loose Song"));
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

    void playsStoredRange_data()
    {
        QTest::addColumn<QString>("track");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("progressMaximum");
        QTest::newRow("whole file") << "short|0|0" << 0.0 << 0.0 << 4000;
        QTest::newRow("end before start: to the end") << "long|30|20" << 30.0 << 0.0 << 4000;
        QTest::newRow("range") << "short|1|3" << 1.0 << 2.0 << 2000;
    }

    void playsStoredRange()
    {
        if (!pulseRunning)
            QSKIP("no PulseAudio to play on");
        QFETCH(QString, track);
        QFETCH(int, progressMaximum);
        track.replace("short", shortTone).replace("long", longTone);
        addPlaylist("One", 1, { "Track|" + track, "Other|" + shortTone + "|2|4" });
        auto window = openWindow();
        QVERIFY(window);
        library(*window)->setCurrentItem(library(*window)->topLevelItem(0));
        child<QPushButton>(*window, "btnPlayLibrary")->click();
        const PlaybackEngine *engine = window->playbackEngine();
        QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);
        QCOMPARE(engine->currentPath(), track.section('|', 0, 0));
        QTEST(engine->trackStart(), "start");
        QTEST(engine->trackDuration(), "duration");
        QVERIFY2(qAbs(engine->progressMaximum() - progressMaximum) < 50,
            qPrintable(QString::number(engine->progressMaximum())));
        QCOMPARE(engine->currentIndex(), 0);
        QCOMPARE(current(*window)->currentItem(), current(*window)->topLevelItem(0));
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("select"); // playlist row selected first; -1: none
        QTest::addColumn<bool>("sure");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("rows"); // of the current list and the queue afterwards
        const QString ask = "Are you sure you want to delete this playlist?";
        const QString none = "Please select a playlist";
        QTest::newRow("play, none selected") << "btnPlayLibrary" << -1 << true << none << 2;
        QTest::newRow("play an empty playlist")
            << "btnPlayLibrary" << 1 << true << "This playlist has no songs" << 0;
        QTest::newRow("save an empty export list")
            << "btnSaveToLibrary" << -1 << true << "Please add tracks to the export list first"
            << 2;
        QTest::newRow("delete, none selected") << "btnDeleteLibrary" << -1 << true << none << 2;
        QTest::newRow("delete, declined") << "btnDeleteLibrary" << 2 << false << ask << 2;
        // The list and queue shown go; what plays keeps playing.
        QTest::newRow("delete, accepted") << "btnDeleteLibrary" << 2 << true << ask << -1;
    }

    void buttons()
    {
        QFETCH(int, select);
        QFETCH(bool, sure);
        QFETCH(QString, button);
        QFETCH(int, rows);
        const bool deleting = rows < 0;
        const int shown =
            addPlaylist("Shown", 1, { "A|" + shortTone + "|0|2", "B|" + shortTone + "|2|4" });
        addPlaylist("Empty", 2);
        const int doomed = addPlaylist("Doomed", 3, { "C|" + longTone + "|0|10" });
        auto window = openWindow();
        QVERIFY(window);
        clickRow(library(*window), 0);
        PlaybackEngine *engine = window->playbackEngine();
        if (deleting && pulseRunning) {
            current(*window)->setCurrentItem(current(*window)->topLevelItem(0));
            window->on_btnPlay_clicked();
            QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);
        }

        library(*window)->setCurrentItem(
            select < 0 ? nullptr : library(*window)->topLevelItem(select));
        auto said = answerNextBox(sure);
        child<QPushButton>(*window, qPrintable(button))->click();
        QTEST(*said, "message");
        const QStringList kept = deleting ? QStringList { "Shown:1", "Empty:2" }
                                          : QStringList { "Shown:1", "Empty:2", "Doomed:3" };
        QCOMPARE(stored(), kept);
        QCOMPARE(stored(doomed), deleting ? QStringList() : QStringList { "C:1" });
        QCOMPARE(stored(shown), QStringList({ "A:1", "B:2" }));
        QCOMPARE(columnTexts(library(*window), 0).size(), kept.size());
        QCOMPARE(current(*window)->topLevelItemCount(), qMax(0, rows));
        QCOMPARE(engine->playQueue().size(), qMax(0, rows));
        QCOMPARE(engine->currentIndex(), -1);
        QCOMPARE(engine->isPlaying(), deleting && pulseRunning);
    }

    void saveSelectedList()
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
        QStringList rows;
        for (const MediaPtr &m : Dao().listMedia(fresh))
            rows << QStringLiteral("%1 %2-%3").arg(m->name).arg(m->startPos).arg(m->endPos);
        QCOMPARE(rows, QStringList({ "Second 13-213", "loose.mp3 0-0" }));
    }

    void dragPlaylistToTop()
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
            dragLastToTop(list);
            QCOMPARE(columnTexts(list, 0), QStringList({ "Third", "First", "Second" }));
            QTRY_COMPARE(stored(), QStringList({ "Third:1", "First:2", "Second:3" }));
        }
        QVERIFY(fixture->restart());
        auto window = openWindow();
        QVERIFY(window);
        QCOMPARE(columnTexts(library(*window), 0), QStringList({ "Third", "First", "Second" }));
    }

    void dragTrack_data()
    {
        QTest::addColumn<bool>("playlist"); // else a sheet's tracks, in a list still taking drags
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("playing"); // the engine's entry for A afterwards
        QTest::newRow("playlist: stored, renumbered, playing entry follows")
            << true << QStringList { "C", "A", "B" } << 1;
        QTest::newRow("sheet rows refuse") << false << QStringList { "A", "B", "C" } << 0;
    }

    void dragTrack()
    {
        if (!pulseRunning)
            QSKIP("no PulseAudio to play on");
        QFETCH(bool, playlist);
        QFETCH(QStringList, titles);
        const int id = addPlaylist("Album", 1,
            { "A|" + longTone + "|0|10", "B|" + longTone + "|10|20", "C|" + longTone + "|20|30" });
        auto window = openWindow();
        QVERIFY(window);
        QTreeWidget *list = current(*window);
        PlaybackEngine *engine = window->playbackEngine();
        if (playlist) {
            clickRow(library(*window), 0);
        } else {
            QVector<TrackInfo> tracks;
            for (int i = 0; i < 3; ++i) {
                tracks << AudioSupport::track(longTone, i + 1, i * 10, 10);
                tracks.last().title = QString(QChar('A' + i));
            }
            TrackRow::fill(list, tracks, false);
            engine->setPlayQueue(tracks);
            list->setDragDropMode(QAbstractItemView::InternalMove);
            list->setDefaultDropAction(Qt::MoveAction);
        }
        list->setCurrentItem(list->topLevelItem(0));
        window->on_btnPlay_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);

        dragLastToTop(list);
        QCoreApplication::processEvents();
        QCOMPARE(columnTexts(list, 0), titles);
        QTRY_COMPARE(stored(id),
            playlist ? QStringList({ "C:1", "A:2", "B:3" }) : QStringList({ "A:1", "B:2", "C:3" }));
        QCOMPARE(columnTexts(list, 3), QStringList({ "1", "2", "3" }));
        QStringList queue;
        for (const TrackInfo &track : engine->playQueue())
            queue << QStringLiteral("%1 %2 %3")
                         .arg(track.number)
                         .arg(track.title)
                         .arg(track.startSeconds);
        QCOMPARE(queue.join(", "), playlist ? "1 C 20, 2 A 0, 3 B 10" : "1 A 0, 2 B 10, 3 C 20");
        // A still plays: Next goes on from A's new place.
        QTEST(engine->currentIndex(), "playing");
        QVERIFY(engine->isPlaying());
    }
};

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
