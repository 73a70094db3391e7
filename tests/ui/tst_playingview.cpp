#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/databasefixture.h"
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

QTEST_MAIN(tst_PlayingView)
#include "tst_playingview.moc"
