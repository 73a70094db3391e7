#include "audio/playbackengine.h"
#include "support/audiosupport.h"
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

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>

namespace {
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

// The tray icon and the window's hide, close and quit behaviour, on a real window. The headless
// platform has no tray, so each test chooses whether the window finds one; the tray icon itself
// is real and its clicks are emitted as the desktop would.
class tst_TrayEvents : public QObject
{
    Q_OBJECT

    PulseSupport::PrivateServer pulse;
    bool havePulse = false;
    QTemporaryDir dir;
    std::unique_ptr<WindowFixture> fixture;

    void useTray(bool tray)
    {
        TrayAvailability::setMode(
            tray ? TrayAvailability::Mode::Available : TrayAvailability::Mode::Unavailable);
    }

private slots:
    void initTestCase()
    {
        havePulse = pulse.start();
        QVERIFY(TestSupport::makeTone(dir.filePath("album.flac"), 440, 8.0));
    }
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        TrayAvailability::setMode(TrayAvailability::Mode::System);
        fixture.reset();
        QCoreApplication::processEvents();
    }

    void closing_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("tray: hides, plays on") << true;
        QTest::newRow("no tray: quits") << false;
    }

    void closing()
    {
        QFETCH(bool, tray);
        useTray(tray);
        QApplication::setQuitOnLastWindowClosed(tray);
        auto window = WindowFixture::open();
        QVERIFY(window);
        // Only the tray keeps the program alive without a window.
        QCOMPARE(QApplication::quitOnLastWindowClosed(), !tray);
        auto *icon = window->findChild<QSystemTrayIcon *>();
        QCOMPARE(icon != nullptr, tray);
        QVERIFY(
            !tray || (icon->isVisible() && icon->contextMenu() == window->findChild<TrayMenu *>()));
        if (havePulse)
            window->playbackEngine()->playTrack(dir.filePath("album.flac"), 0, 6);
        QCOMPARE(runEventLoop(window.get(), [&window]() { window->close(); }), tray ? 7 : 0);
        QVERIFY(window->isHidden());
        QCOMPARE(window->playbackEngine()->isPlaying(), tray && havePulse);
    }

    void restoreFromTray_data()
    {
        QTest::addColumn<int>("state"); // how the window went: closed, minimised, maximised+closed
        QTest::addColumn<bool>("playingPage");
        QTest::addColumn<int>("leftPage");
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("restores");
        const int closed = 0, minimised = 1, maximised = 2;
        const int click = QSystemTrayIcon::Trigger, twice = QSystemTrayIcon::DoubleClick;
        QTest::newRow("closed on playing page, click") << closed << true << 1 << click << true;
        QTest::newRow("minimised on playing page, double click")
            << minimised << true << 0 << twice << true;
        QTest::newRow("minimised on playlists page, click")
            << minimised << false << 0 << click << true;
        QTest::newRow("closed on source page, double click")
            << closed << false << 1 << twice << true;
        QTest::newRow("maximised, closed, click") << maximised << false << 1 << click << true;
        QTest::newRow("closed, right click")
            << closed << true << 1 << int(QSystemTrayIcon::Context) << false;
        QTest::newRow("minimised, middle click")
            << minimised << false << 0 << int(QSystemTrayIcon::MiddleClick) << false;
    }

    void restoreFromTray()
    {
        QFETCH(int, state);
        QFETCH(bool, playingPage);
        QFETCH(int, leftPage);
        QFETCH(int, reason);
        QFETCH(bool, restores);
        useTray(true);
        MainWindow window;
        if (state == 2)
            window.showMaximized();
        else
            window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *main = child<QStackedWidget>(window, "swMainView");
        auto *left = child<QStackedWidget>(window, "stackedWidget");
        QWidget *page = child(window, "swPlayingView");
        // A light cover: the playing page's colours differ from the library's.
        QImage cover(64, 64, QImage::Format_RGB32);
        cover.fill(QColor(250, 230, 90));
        window.findChild<SpinningDiscView *>()->setCover(QPixmap::fromImage(cover), false);
        left->setCurrentIndex(leftPage);
        if (playingPage)
            window.showPlayingView();
        const QColor accent = window.accent();

        if (state == 1)
            window.showMinimized();
        else
            window.close();
        QVERIFY(state == 1 ? window.isMinimized() : window.isHidden());
        // Meanwhile the pages change; the tray brings back what was visible when the window went.
        if (playingPage)
            window.showLibraryView();
        else
            window.showPlayingView();
        left->setCurrentIndex(1 - leftPage);
        emit window.findChild<QSystemTrayIcon *>()->activated(
            QSystemTrayIcon::ActivationReason(reason));
        if (!restores) {
            QVERIFY(state == 1 ? window.isMinimized() : window.isHidden());
            QCOMPARE(main->currentWidget() == page, !playingPage);
            return;
        }
        QVERIFY(window.isVisible() && !window.isMinimized());
        QCOMPARE(window.isMaximized(), state == 2);
        QCOMPARE(main->currentWidget() == page, playingPage);
        QCOMPARE(left->currentIndex(), playingPage ? 1 - leftPage : leftPage);
        if (!playingPage)
            return;
        QCOMPARE(window.accent(), accent);
        const QColor top = page->grab().toImage().pixelColor(page->width() / 2, 4);
        QVERIFY2(qAbs(top.red() - accent.red()) <= 12 && qAbs(top.green() - accent.green()) <= 12
                && qAbs(top.blue() - accent.blue()) <= 12,
            qPrintable(top.name() + " for " + accent.name()));
    }

    void trayMenuDrivesPlaybackAndQuits()
    {
        if (!havePulse)
            QSKIP("no PulseAudio to play on");
        useTray(true);
        QTemporaryDir covers;
        QImage red(64, 64, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(covers.filePath("cover.png")));
        auto window = WindowFixture::open();
        QVERIFY(window);
        auto *menu =
            qobject_cast<TrayMenu *>(window->findChild<QSystemTrayIcon *>()->contextMenu());
        QVERIFY(menu);
        const QString path = dir.filePath("album.flac");
        const QVector<TrackInfo> tracks { AudioSupport::track(path, 1, 0, 2),
            AudioSupport::track(path, 2, 2, 2), AudioSupport::track(path, 3, 4, 2) };
        auto *list = child<QTreeWidget>(*window, "twCurrentMusicView");
        TrackRow::fill(list, tracks, false);
        PlaybackEngine *engine = window->playbackEngine();
        engine->setPlayQueue(tracks);
        list->setCurrentItem(list->topLevelItem(1));

        menu->playAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying() && engine->currentIndex() == 1, 5000);
        menu->pauseAction()->trigger();
        QVERIFY(engine->isPaused());
        menu->playAction()->trigger();
        QVERIFY(engine->isPlaying());
        menu->nextAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!engine->isSwitching() && engine->currentIndex() == 2, 5000);
        menu->previousAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!engine->isSwitching() && engine->currentIndex() == 1, 5000);

        // A cover found just before quitting must not reach the window any more.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        auto *disc = window->findChild<SpinningDiscView *>();
        const bool placeholderBefore = disc->isDefaultCover();
        QMetaObject::invokeMethod(
            window.get(), [&]() { menu->quitAction()->trigger(); }, Qt::QueuedConnection);
        window->loadCover(covers.path(), false);
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!engine->isPlaying() && !engine->isPaused());
        QCoreApplication::processEvents();
        QCOMPARE(disc->isDefaultCover(), placeholderBefore);
        const QImage label = child<QLabel>(*window, "lbCover")->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY(label.pixelColor(label.width() / 2, label.height() / 2) != QColor(Qt::red));
    }

    void infoButtonRunsAboutDialog()
    {
        MainWindow window;
        bool shown = false;
        TestSupport::whenModalShown([&](QWidget *modal) {
            shown = qobject_cast<AboutView *>(modal) && modal->parentWidget() == &window;
            qobject_cast<QDialog *>(modal)->reject();
        });
        child<QPushButton>(window, "btnInfo")->click();
        QVERIFY(shown);
        QVERIFY(window.findChildren<AboutView *>().isEmpty());
    }
};

QTEST_MAIN(tst_TrayEvents)
#include "tst_trayevents.moc"
