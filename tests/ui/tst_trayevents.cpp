#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/databasefixture.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/mainwindow/trayavailability.h"
#include "ui/views/aboutview.h"
#include "ui/views/spinningdiscview.h"
#include "ui/views/traymenu.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

// The tray icon and the window's hide, close and quit behaviour, on a real window. The headless
// platform has no tray, so each test chooses whether the window finds one; the tray icon itself
// is real and its clicks are emitted as the desktop would.
class tst_TrayEvents : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void trayFollowsAvailability_data();
    void trayFollowsAvailability();
    void restoreFromTray_data();
    void restoreFromTray();
    void maximisedWindowStaysMaximised();
    void closing_data();
    void closing();
    void trayMenuDrivesPlaybackAndQuits();
    void infoButtonRunsAboutDialog();

private:
    QVector<TrackInfo> album() const;

    PulseSupport::PrivateServer pulse;
    bool havePulse = false;
    QTemporaryDir dir;
    std::unique_ptr<DatabaseFixture> db;
};

namespace {
QImage iconImage(const QPushButton *button)
{
    return button->icon().pixmap(button->iconSize()).toImage();
}

QImage iconImage(const QAction *action)
{
    const QList<QSize> sizes = action->icon().availableSizes();
    return sizes.isEmpty() ? QImage() : action->icon().pixmap(sizes.first()).toImage();
}

bool hasOpaquePixel(const QImage &image, const QColor &color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color)
                return true;
    return false;
}

// Runs the application's event loop after queueing action, and returns the loop's exit code.
// A loop that action did not end is ended with 7 on the next turn.
int runEventLoop(QObject *context, const std::function<void()> &action)
{
    QMetaObject::invokeMethod(
        context,
        [context, action]() {
            action();
            QMetaObject::invokeMethod(
                context, []() { QCoreApplication::exit(7); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    const int code = QCoreApplication::exec();
    // A window closing with quit-on-close also posts a quit; it must not end a later loop.
    QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
    return code;
}
} // namespace

void tst_TrayEvents::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    havePulse = pulse.start();
    QVERIFY(TestSupport::makeTone(dir.filePath("album.flac"), 440, 8.0));
}

void tst_TrayEvents::init()
{
    db = std::make_unique<DatabaseFixture>();
    QVERIFY(db->isValid());
    ConfigService::instance()->load();
}

void tst_TrayEvents::cleanup()
{
    TrayAvailability::setMode(TrayAvailability::Mode::System);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    db.reset();
}

QVector<TrackInfo> tst_TrayEvents::album() const
{
    const QString path = dir.filePath("album.flac");
    return { AudioSupport::track(path, 1, 0, 2), AudioSupport::track(path, 2, 2, 2),
        AudioSupport::track(path, 3, 4, 2) };
}

void tst_TrayEvents::trayFollowsAvailability_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("tray") << true;
    QTest::newRow("no tray") << false;
}

void tst_TrayEvents::trayFollowsAvailability()
{
    QFETCH(bool, tray);
    TrayAvailability::setMode(
        tray ? TrayAvailability::Mode::Available : TrayAvailability::Mode::Unavailable);
    QApplication::setQuitOnLastWindowClosed(tray);

    MainWindow window;
    // Only the tray keeps the program alive without a window.
    QCOMPARE(QApplication::quitOnLastWindowClosed(), !tray);
    auto *icon = window.findChild<QSystemTrayIcon *>();
    QCOMPARE(icon != nullptr, tray);
    if (!tray)
        return;
    QVERIFY(icon->isVisible());
    QVERIFY(!icon->icon().isNull());
    auto *menu = window.findChild<TrayMenu *>();
    QVERIFY(menu);
    QCOMPARE(icon->contextMenu(), menu);
}

void tst_TrayEvents::restoreFromTray_data()
{
    QTest::addColumn<bool>("close"); // else minimise
    QTest::addColumn<bool>("playingPage");
    QTest::addColumn<int>("leftPage");
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("restores");

    QTest::newRow("closed on playing page, click")
        << true << true << 1 << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("closed on playing page, double click")
        << true << true << 0 << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("minimised on playing page, click")
        << false << true << 1 << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("minimised on source page, click")
        << false << false << 1 << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("minimised on playlists page, double click")
        << false << false << 0 << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("closed on playlists page, click")
        << true << false << 0 << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("closed, right click")
        << true << true << 1 << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("minimised, right click")
        << false << false << 1 << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("closed, middle click")
        << true << false << 0 << int(QSystemTrayIcon::MiddleClick) << false;
}

void tst_TrayEvents::restoreFromTray()
{
    QFETCH(bool, close);
    QFETCH(bool, playingPage);
    QFETCH(int, leftPage);
    QFETCH(int, reason);
    QFETCH(bool, restores);
    TrayAvailability::setMode(TrayAvailability::Mode::Available);

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *main = window.findChild<QStackedWidget *>("swMainView");
    auto *left = window.findChild<QStackedWidget *>("stackedWidget");
    auto *play = window.findChild<QPushButton *>("btnPlay");
    auto *page = window.findChild<QWidget *>("swPlayingView");
    const QImage libraryIcon = iconImage(play);

    // A light cover: the playing page's colours differ from the library's.
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(QColor(250, 230, 90));
    window.findChild<SpinningDiscView *>()->setCover(QPixmap::fromImage(cover), false);
    left->setCurrentIndex(leftPage);
    QColor accent;
    QImage playingIcon;
    if (playingPage) {
        window.showPlayingView();
        accent = window.accent();
        playingIcon = iconImage(play);
        QCOMPARE(CoverTheme::textColorFor(accent), CoverTheme::darkText);
        QVERIFY(playingIcon != libraryIcon);
    }

    if (close) {
        window.close();
        QVERIFY(window.isHidden());
    } else {
        window.showMinimized();
        QVERIFY(window.isMinimized());
    }
    // Meanwhile the pages change; the tray brings back what was visible when the window went.
    if (playingPage)
        window.showLibraryView();
    else
        window.showPlayingView();
    left->setCurrentIndex(1 - leftPage);

    emit window.findChild<QSystemTrayIcon *>()->activated(
        QSystemTrayIcon::ActivationReason(reason));
    if (!restores) {
        QCOMPARE(window.isHidden(), close);
        QCOMPARE(window.isMinimized(), !close);
        QCOMPARE(main->currentWidget() == page, !playingPage);
        return;
    }
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    QCOMPARE(main->currentWidget() == page, playingPage);
    QCOMPARE(left->currentIndex(), playingPage ? 1 - leftPage : leftPage);
    if (!playingPage)
        return;
    QCOMPARE(window.accent(), accent);
    QCOMPARE(iconImage(play), playingIcon);
    const QColor top = page->grab().toImage().pixelColor(page->width() / 2, 4);
    QVERIFY2(qAbs(top.red() - accent.red()) <= 12 && qAbs(top.green() - accent.green()) <= 12
            && qAbs(top.blue() - accent.blue()) <= 12,
        qPrintable(top.name() + " for " + accent.name()));
}

void tst_TrayEvents::maximisedWindowStaysMaximised()
{
    TrayAvailability::setMode(TrayAvailability::Mode::Available);
    MainWindow window;
    window.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.close();
    emit window.findChild<QSystemTrayIcon *>()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(window.isVisible());
    QVERIFY(window.isMaximized());
}

void tst_TrayEvents::closing_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("tray: hides, plays on") << true;
    QTest::newRow("no tray: quits") << false;
}

void tst_TrayEvents::closing()
{
    QFETCH(bool, tray);
    if (!havePulse)
        QSKIP("no PulseAudio to play on");
    TrayAvailability::setMode(
        tray ? TrayAvailability::Mode::Available : TrayAvailability::Mode::Unavailable);

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const TrackInfo track = album().first();
    window.playbackEngine()->playTrack(track.filePath, 0, 6);
    QVERIFY(window.playbackEngine()->isPlaying());

    QCOMPARE(runEventLoop(&window, [&window]() { window.close(); }), tray ? 7 : 0);
    QVERIFY(window.isHidden());
    QCOMPARE(window.playbackEngine()->isPlaying(), tray);
}

void tst_TrayEvents::trayMenuDrivesPlaybackAndQuits()
{
    if (!havePulse)
        QSKIP("no PulseAudio to play on");
    TrayAvailability::setMode(TrayAvailability::Mode::Available);
    QTemporaryDir covers;
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(covers.filePath("cover.png")));

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *menu = qobject_cast<TrayMenu *>(window.findChild<QSystemTrayIcon *>()->contextMenu());
    QVERIFY(menu);
    for (const QAction *action : { menu->playAction(), menu->pauseAction(), menu->previousAction(),
             menu->nextAction(), menu->quitAction() })
        QVERIFY2(hasOpaquePixel(iconImage(action), QColor("#b4afd0")), qPrintable(action->text()));

    // Rows as the track lists make them; the second is selected.
    const QVector<TrackInfo> tracks = album();
    auto *list = window.findChild<QTreeWidget *>("twCurrentMusicView");
    TrackRow::fill(list, tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
    list->setCurrentItem(list->topLevelItem(1));
    PlaybackEngine *engine = window.playbackEngine();

    menu->playAction()->trigger();
    QTRY_VERIFY(engine->isPlaying());
    QCOMPARE(engine->currentIndex(), 1);
    menu->pauseAction()->trigger();
    QVERIFY(engine->isPaused());
    menu->playAction()->trigger();
    QVERIFY(engine->isPlaying());
    menu->nextAction()->trigger();
    QTRY_COMPARE(engine->currentIndex(), 2);
    QTRY_VERIFY(!engine->isSwitching());
    menu->previousAction()->trigger();
    QTRY_COMPARE(engine->currentIndex(), 1);
    QTRY_VERIFY(!engine->isSwitching() && engine->isPlaying());

    // A cover found just before quitting must not reach the window any more.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    auto *disc = window.findChild<SpinningDiscView *>();
    const bool placeholderBefore = disc->isDefaultCover();
    QMetaObject::invokeMethod(
        &window, [&]() { menu->quitAction()->trigger(); }, Qt::QueuedConnection);
    window.loadCover(covers.path(), false);
    QThreadPool::globalInstance()->waitForDone();
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!engine->isPlaying());
    QVERIFY(!engine->isPaused());
    QCoreApplication::processEvents();
    QCOMPARE(disc->isDefaultCover(), placeholderBefore);
    const QImage label = window.findChild<QLabel *>("lbCover")->pixmap(Qt::ReturnByValue).toImage();
    QVERIFY(label.pixelColor(label.width() / 2, label.height() / 2) != QColor(Qt::red));
}

void tst_TrayEvents::infoButtonRunsAboutDialog()
{
    MainWindow window;
    bool shown = false;
    TestSupport::whenModalShown([&](QWidget *modal) {
        shown = qobject_cast<AboutView *>(modal) && modal->parentWidget() == &window
            && modal->isModal();
        qobject_cast<QDialog *>(modal)->reject();
    });
    window.findChild<QPushButton *>("btnInfo")->click();
    QVERIFY(shown);
    QVERIFY(window.findChildren<AboutView *>().isEmpty());
}

QTEST_MAIN(tst_TrayEvents)
#include "tst_trayevents.moc"
