#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/databasefixture.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/spinningdiscview.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

// The window's transport wired to the real engine, playing generated tones on a private
// PulseAudio null sink.
class tst_PlayingView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buttonsFollowTheEngine();
    void coverPressShowsPlayingPageOnlyWithATrack();
    void nextAdvancesOneEntry();
    void playWithoutSelectionAsks();
    void failureSaysWhy_data();
    void failureSaysWhy();
    void keysAndGrooveDriveTransport();

private:
    QVector<TrackInfo> album() const;
    bool visible(MainWindow &window, const char *name)
    {
        return !window.findChild<QWidget *>(name)->isHidden();
    }

    PulseSupport::PrivateServer pulse;
    QTemporaryDir dir;
    std::unique_ptr<DatabaseFixture> db;
};

void tst_PlayingView::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!pulse.start())
        QSKIP("no PulseAudio to play on");
    QVERIFY(TestSupport::makeTone(dir.filePath("album.flac"), 440, 8.0));
}

void tst_PlayingView::init()
{
    db = std::make_unique<DatabaseFixture>();
    QVERIFY(db->isValid());
    ConfigService::instance()->load();
}

void tst_PlayingView::cleanup()
{
    QThreadPool::globalInstance()->waitForDone();
    db.reset();
}

QVector<TrackInfo> tst_PlayingView::album() const
{
    const QString path = dir.filePath("album.flac");
    return { AudioSupport::track(path, 1, 0, 2), AudioSupport::track(path, 2, 2, 2),
        AudioSupport::track(path, 3, 4, 2) };
}

void tst_PlayingView::buttonsFollowTheEngine()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QVector<TrackInfo> tracks = album();
    auto *list = window.findChild<QTreeWidget *>("twCurrentMusicView");
    TrackRow::fill(list, tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
    list->setCurrentItem(list->topLevelItem(1));

    QVERIFY(visible(window, "btnPlay") && !visible(window, "btnPause"));
    window.findChild<QPushButton *>("btnPlay")->click();
    QTRY_VERIFY(window.playbackEngine()->isPlaying());
    QVERIFY(!visible(window, "btnPlay") && visible(window, "btnPause"));
    QVERIFY(window.findChild<QPushButton *>("btnPause")->isEnabled());
    QVERIFY(!visible(window, "btnPlayMusic") && visible(window, "btnPauseMusic"));
    QVERIFY(visible(window, "hsPlayProcessSlider"));
    QCOMPARE(window.findChild<QLabel *>("lbName")->text(), QString("Track 2"));
    QCOMPARE(window.findChild<QLabel *>("lbCurrentPlayingMusic")->text(), QString("Track 2"));
    QCOMPARE(window.findChild<QSlider *>("hsPlayProcessBar")->maximum(), 2000);
    QVERIFY(window.findChild<AudioWaveView *>("audioWaveView")->isActive());
    QVERIFY(window.findChild<SpinningDiscView *>()->motion().isSpinning());
    QTRY_VERIFY(window.findChild<QSlider *>("hsPlayProcessSlider")->value() > 0);

    window.findChild<QPushButton *>("btnPause")->click();
    QVERIFY(window.playbackEngine()->isPaused());
    QVERIFY(visible(window, "btnPlay") && !visible(window, "btnPause"));
    QVERIFY(visible(window, "btnPlayMusic") && !visible(window, "btnPauseMusic"));
    QVERIFY(!window.findChild<AudioWaveView *>("audioWaveView")->isActive());
    QVERIFY(!window.findChild<SpinningDiscView *>()->motion().isSpinning());

    // The playing page's play button resumes; going back to the library keeps the pair right.
    window.showPlayingView();
    window.findChild<QPushButton *>("btnPlayMusic")->click();
    QVERIFY(window.playbackEngine()->isPlaying());
    window.showLibraryView();
    QVERIFY(visible(window, "btnPauseMusic") && !visible(window, "btnPlayMusic"));
}

void tst_PlayingView::coverPressShowsPlayingPageOnlyWithATrack()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *main = window.findChild<QStackedWidget *>("swMainView");
    auto *cover = window.findChild<QLabel *>("lbCover");
    QTest::mouseClick(cover, Qt::LeftButton);
    QCOMPARE(main->currentIndex(), 0);

    const QVector<TrackInfo> tracks = album();
    window.playbackEngine()->playTrack(tracks[0].filePath, 0, 2);
    QVERIFY(window.playbackEngine()->isPlaying());
    QTest::mouseClick(window.findChild<QLabel *>("lbCurrentPlayingMusic"), Qt::LeftButton);
    QCOMPARE(main->currentIndex(), 1);
    window.showLibraryView();
    window.playbackEngine()->pause();
    QTest::mouseClick(cover, Qt::LeftButton);
    QCOMPARE(main->currentIndex(), 1); // paused counts too
}

void tst_PlayingView::nextAdvancesOneEntry()
{
    MainWindow window;
    const QVector<TrackInfo> tracks = album();
    window.playbackEngine()->setPlayQueue(tracks);
    window.findChild<QPushButton *>("btnNext")->click(); // stopped: the first entry at once
    QTRY_COMPARE(window.playbackEngine()->currentIndex(), 0);
    QTRY_VERIFY(window.playbackEngine()->isPlaying());
    window.findChild<QPushButton *>("btnNextMusic")->click();
    QTRY_COMPARE(window.playbackEngine()->currentIndex(), 1);
    QTRY_VERIFY(!window.playbackEngine()->isSwitching());
    QCOMPARE(window.playbackEngine()->currentIndex(), 1);
    QCOMPARE(window.findChild<QLabel *>("lbName")->text(), QString("Track 2"));
    window.findChild<QPushButton *>("btnPrev")->click();
    QTRY_COMPARE(window.playbackEngine()->currentIndex(), 0);

    // An empty queue: Previous does nothing, Next stops.
    window.playbackEngine()->setPlayQueue({});
    window.findChild<QPushButton *>("btnPrevMusic")->click();
    QVERIFY(window.playbackEngine()->isPlaying());
    window.findChild<QPushButton *>("btnNext")->click();
    QVERIFY(!window.playbackEngine()->isPlaying());
    QVERIFY(visible(window, "btnPlay") && !visible(window, "btnPause"));
}

void tst_PlayingView::playWithoutSelectionAsks()
{
    MainWindow window;
    QString asked;
    TestSupport::whenModalShown([&](QWidget *box) {
        asked = box->findChild<QLabel *>("lbMessageBoxContent")->text();
        box->findChild<QPushButton *>("btnSure")->click();
    });
    window.findChild<QPushButton *>("btnPlay")->click();
    QCOMPARE(
        asked, QString("Please select a song from the current music list on the right to play"));
    QVERIFY(!window.playbackEngine()->isPlaying());
}

void tst_PlayingView::failureSaysWhy_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: nothing is made; empty: a folder
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("keepsPlaying"); // known before the engine is asked
    QTest::newRow("missing") << "gone.flac" << QByteArray()
                             << "Cannot play \"gone.flac\": the file does not exist." << true;
    QTest::newRow("folder") << "folder.flac" << QByteArray("")
                            << "Cannot play \"folder.flac\": it is not a regular file." << true;
    QTest::newRow("no decoder") << "noise.flac" << QByteArray("not audio at all")
                                << "Cannot play \"noise.flac\": no decoder can open this file."
                                << false;
}

void tst_PlayingView::failureSaysWhy()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(bool, keepsPlaying);
    const QString path = dir.filePath(name);
    if (!bytes.isNull() && bytes.isEmpty())
        QVERIFY(QDir().mkpath(path));
    else if (!bytes.isNull())
        QVERIFY(MediaSupport::writeFile(path, bytes));

    MainWindow window;
    const QVector<TrackInfo> tracks { AudioSupport::track(dir.filePath("album.flac"), 1, 0, 8),
        AudioSupport::track(path, 2, 0, 2) };
    auto *list = window.findChild<QTreeWidget *>("twCurrentMusicView");
    TrackRow::fill(list, tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
    list->setCurrentItem(list->topLevelItem(0));
    window.findChild<QPushButton *>("btnPlay")->click();
    QVERIFY(window.playbackEngine()->isPlaying());
    window.showPlayingView();

    QString said;
    // Every decoder is tried first, GStreamer's start-up included: a generous bound.
    TestSupport::whenModalShown(
        [&](QWidget *box) {
            said = box->findChild<QLabel *>("lbMessageBoxContent")->text();
            box->findChild<QPushButton *>("btnSure")->click();
        },
        120000);
    // A double-click on the row, while the first track plays.
    QMetaObject::invokeMethod(&window, "on_twCurrentMusicView_itemDoubleClicked",
        Q_ARG(QTreeWidgetItem *, list->topLevelItem(1)), Q_ARG(int, 0));
    QTRY_COMPARE_WITH_TIMEOUT(said, message, 120000);
    QCOMPARE(window.playbackEngine()->isPlaying(), keepsPlaying);
    QCOMPARE(visible(window, "btnPlay"), !keepsPlaying);
    // Stopped: nothing of the earlier track is left on screen.
    const QString title = keepsPlaying ? "Track 1" : "";
    QCOMPARE(window.findChild<QLabel *>("lbCurrentPlayingMusic")->text(), title);
    QCOMPARE(window.findChild<QLabel *>("lbName")->text(), title);
    QCOMPARE(
        window.findChild<QStackedWidget *>("swMainView")->currentIndex(), keepsPlaying ? 1 : 0);
}

void tst_PlayingView::keysAndGrooveDriveTransport()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QString path = dir.filePath("album.flac");
    const QVector<TrackInfo> tracks { AudioSupport::track(path, 1, 0, 8) };
    auto *list = window.findChild<QTreeWidget *>("twCurrentMusicView");
    TrackRow::fill(list, tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    PlaybackEngine *engine = window.playbackEngine();

    QTest::keyClick(list, Qt::Key_Return); // plays the selected row
    QVERIFY(engine->isPlaying());
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(engine->isPaused());
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(engine->isPlaying());

    // A click on the groove three quarters along seeks there (paused: the position is exact).
    QTRY_VERIFY_WITH_TIMEOUT(engine->positionMs() > 0, 5000);
    engine->pause();
    auto *slider = window.findChild<QSlider *>("hsPlayProcessSlider");
    // The range arrives with the track's first tick; a click before it has nothing to seek in.
    QTRY_VERIFY_WITH_TIMEOUT(slider->maximum() > 6000, 5000);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier,
        QPoint(slider->width() * 3 / 4, slider->height() / 2));
    const qint64 clicked = engine->pausedPositionMs();
    // The groove may be narrow: each pixel can be worth a few hundred ms.
    QVERIFY2(clicked > 4000 && clicked < 8000, qPrintable(QString::number(clicked)));
    QCOMPARE(slider->value(), int(clicked));
    // Left goes back 5 s from there.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(engine->pausedPositionMs(), clicked - 5000);
}

QTEST_MAIN(tst_PlayingView)
#include "tst_playingview.moc"
