#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/mainwindow/trayavailability.h"
#include "ui/views/traymenu.h"

#include <QTemporaryDir>
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

// The tray icon, its menu and the window's close, on a real window. The headless platform has
// no tray, so each test chooses whether the window finds one.
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
        QTest::newRow("tray: hides, plays on, a click restores") << true;
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
        if (havePulse)
            window->playbackEngine()->playTrack(dir.filePath("album.flac"), 0, 6);
        QCOMPARE(runEventLoop(window.get(), [&window]() { window->close(); }), tray ? 7 : 0);
        QVERIFY(window->isHidden());
        QCOMPARE(window->playbackEngine()->isPlaying(), tray && havePulse);
        if (!tray)
            return;
        emit icon->activated(QSystemTrayIcon::Context);
        QVERIFY(window->isHidden());
        // What played while hidden shows as soon as the window is back.
        auto *bar = window->findChild<QSlider *>(QStringLiteral("hsPlayProcessBar"));
        QVERIFY(bar);
        const int atHide = bar->value();
        if (havePulse)
            QTRY_VERIFY(window->playbackEngine()->positionMs() > atHide + 700);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(window->isVisible() && !window->isMinimized());
        if (havePulse)
            QVERIFY2(bar->value() > atHide + 500, qPrintable(QString::number(bar->value())));
    }

    void trayMenuDrivesPlaybackAndQuits()
    {
        if (!havePulse)
            QSKIP("no PulseAudio to play on");
        useTray(true);
        auto window = WindowFixture::open();
        QVERIFY(window);
        auto *menu =
            qobject_cast<TrayMenu *>(window->findChild<QSystemTrayIcon *>()->contextMenu());
        QVERIFY(menu);
        auto *list = WindowFixture::queueThreeTracks(*window, dir.filePath("album.flac"), 2);
        PlaybackEngine *engine = window->playbackEngine();
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
        QMetaObject::invokeMethod(
            window.get(), [&]() { menu->quitAction()->trigger(); }, Qt::QueuedConnection);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!engine->isPlaying() && !engine->isPaused());
    }
};

QTEST_MAIN(tst_TrayEvents)
#include "tst_trayevents.moc"
