#include "audio/playbackengine.h"
#include "data/dao.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

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
    if (playlist == 0) {
        for (const MediaLibraryPtr &p : Dao().listLibraries())
            result << QStringLiteral("%1:%2").arg(p->name).arg(p->sortNum);
    }
    for (const MediaPtr &media : Dao().listMedia(playlist))
        result << QStringLiteral("%1:%2").arg(media->name).arg(media->sortNum);
    return result;
}

void clickRow(QTreeWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
        list->visualItemRect(list->topLevelItem(row)).center());
}

// Drags the last row just above the first through the window system. Qt's drag loop runs
// nested inside the move that starts it, so the moves and release that end it are queued first.
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

// The playlists panel of the main window on a real data.db: playing and reordering by drag.
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

    void dragPlaylistToTop()
    {
        addPlaylist("First", 1);
        addPlaylist("Second", 2);
        addPlaylist("Third", 3);
        {
            auto window = openWindow();
            QVERIFY(window);
            QTreeWidget *list = library(*window);
            dragLastToTop(list);
            QCOMPARE(columnTexts(list, 0), QStringList({ "Third", "First", "Second" }));
            QTRY_COMPARE(stored(), QStringList({ "Third:1", "First:2", "Second:3" }));
        }
        QVERIFY(fixture->restart());
        auto window = openWindow();
        QVERIFY(window);
        QCOMPARE(columnTexts(library(*window), 0), QStringList({ "Third", "First", "Second" }));
    }

    // The drop is stored and renumbered; the playing entry follows its row.
    void dragTrackKeepsPlayingEntry()
    {
        if (!pulseRunning)
            QSKIP("no PulseAudio to play on");
        const int id = addPlaylist("Album", 1,
            { "A|" + longTone + "|0|10", "B|" + longTone + "|10|20", "C|" + longTone + "|20|30" });
        auto window = openWindow();
        QVERIFY(window);
        QTreeWidget *list = current(*window);
        PlaybackEngine *engine = window->playbackEngine();
        clickRow(library(*window), 0);
        list->setCurrentItem(list->topLevelItem(0));
        window->on_btnPlay_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);

        dragLastToTop(list);
        QCOMPARE(columnTexts(list, 0), QStringList({ "C", "A", "B" }));
        QTRY_COMPARE(stored(id), QStringList({ "C:1", "A:2", "B:3" }));
        QCOMPARE(columnTexts(list, 3), QStringList({ "1", "2", "3" }));
        QStringList queue;
        for (const TrackInfo &track : engine->playQueue())
            queue << QStringLiteral("%1 %2 %3")
                         .arg(track.number)
                         .arg(track.title)
                         .arg(track.startSeconds);
        QCOMPARE(queue.join(", "), QString("1 C 20, 2 A 0, 3 B 10"));
        QCOMPARE(engine->currentIndex(), 1);
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
