#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
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
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

// The window's transport, keys and mice wired to the real engine, playing a generated tone on
// a private PulseAudio null sink.
class tst_PlayingView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }
    void buttonsFollowTheEngine();
    void failureSaysWhy_data();
    void failureSaysWhy();
    void inputs_data();
    void inputs();

private:
    // Three 10 s tracks of one file, listed in the window and queued.
    void showAlbum(MainWindow &window) const;

    PulseSupport::PrivateServer pulse;
    QTemporaryDir dir;
    std::unique_ptr<WindowFixture> fixture;
};

void tst_PlayingView::initTestCase()
{
    if (!pulse.start())
        QSKIP("no PulseAudio to play on");
    QVERIFY(TestSupport::makeTone(dir.filePath("album.flac"), 440, 30.0));
}

void tst_PlayingView::showAlbum(MainWindow &window) const
{
    const QString path = dir.filePath("album.flac");
    const QVector<TrackInfo> tracks { AudioSupport::track(path, 1, 0, 10),
        AudioSupport::track(path, 2, 10, 10), AudioSupport::track(path, 3, 20, 10) };
    TrackRow::fill(child<QTreeWidget>(window, "twCurrentMusicView"), tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
}

void tst_PlayingView::buttonsFollowTheEngine()
{
    auto window = WindowFixture::open();
    QVERIFY(window);
    showAlbum(*window);
    PlaybackEngine *engine = window->playbackEngine();
    auto *main = child<QStackedWidget>(*window, "swMainView");
    // The buttons showing on both pages, and whether the level meter and disc move.
    const auto shown = [&window]() {
        QStringList names;
        for (const char *name : { "btnPlay", "btnPause", "btnPlayMusic", "btnPauseMusic" })
            names << (child(*window, name)->isHidden() ? "" : name);
        names << (child<AudioWaveView>(*window, "audioWaveView")->isActive() ? "wave" : "")
              << (window->findChild<SpinningDiscView *>()->motion().isSpinning() ? "disc" : "");
        return names.join(' ').simplified();
    };

    // Nothing selected: Play asks; nothing plays, so the cover leads nowhere.
    auto asked = TestSupport::answerNextBox();
    child<QPushButton>(*window, "btnPlay")->click();
    QCOMPARE(
        *asked, QString("Please select a song from the current music list on the right to play"));
    QTest::mouseClick(child(*window, "lbCover"), Qt::LeftButton);
    QCOMPARE(main->currentIndex(), 0);

    auto *list = child<QTreeWidget>(*window, "twCurrentMusicView");
    list->setCurrentItem(list->topLevelItem(1));
    child<QPushButton>(*window, "btnPlay")->click();
    QTRY_VERIFY_WITH_TIMEOUT(engine->isPlaying(), 5000);
    QCOMPARE(shown(), QString("btnPause btnPauseMusic wave disc"));
    QVERIFY(!child(*window, "hsPlayProcessSlider")->isHidden());
    QCOMPARE(child<QLabel>(*window, "lbName")->text(), QString("Track 2"));
    QCOMPARE(child<QLabel>(*window, "lbCurrentPlayingMusic")->text(), QString("Track 2"));
    QCOMPARE(child<QSlider>(*window, "hsPlayProcessBar")->maximum(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(
        child<QLabel>(*window, "lbPlayTimeMusic")->text(), QString("0:01 / 0:10"), 5000);

    QTest::mouseClick(child(*window, "lbCurrentPlayingMusic"), Qt::LeftButton);
    QCOMPARE(main->currentIndex(), 1);
    child<QPushButton>(*window, "btnPauseMusic")->click();
    QVERIFY(engine->isPaused());
    QCOMPARE(shown(), QString("btnPlay btnPlayMusic"));
    window->showLibraryView();
    QTest::mouseClick(child(*window, "lbCover"), Qt::LeftButton);
    QCOMPARE(main->currentIndex(), 1); // paused counts too
    child<QPushButton>(*window, "btnPlayMusic")->click();
    QVERIFY(engine->isPlaying());

    // Each Next and Previous button of both pages moves one entry, wrapping.
    const QList<QPair<const char *, int>> steps { { "btnNext", 2 }, { "btnNextMusic", 0 },
        { "btnPrev", 2 }, { "btnPrevMusic", 1 } };
    for (const auto &step : steps) {
        child<QPushButton>(*window, step.first)->click();
        QTRY_VERIFY2_WITH_TIMEOUT(
            !engine->isSwitching() && engine->currentIndex() == step.second, step.first, 5000);
    }
    QCOMPARE(child<QLabel>(*window, "lbName")->text(), QString("Track 2"));
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
    QFETCH(bool, keepsPlaying);
    const QString path = dir.filePath(name);
    if (!bytes.isNull() && bytes.isEmpty())
        QVERIFY(QDir().mkpath(path));
    else if (!bytes.isNull())
        QVERIFY(MediaSupport::writeFile(path, bytes));

    MainWindow window;
    const QVector<TrackInfo> tracks { AudioSupport::track(dir.filePath("album.flac"), 1, 0, 8),
        AudioSupport::track(path, 2, 0, 2) };
    auto *list = child<QTreeWidget>(window, "twCurrentMusicView");
    TrackRow::fill(list, tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
    list->setCurrentItem(list->topLevelItem(0));
    child<QPushButton>(window, "btnPlay")->click();
    QVERIFY(window.playbackEngine()->isPlaying());
    window.showPlayingView();

    // Every decoder is tried first, GStreamer's start-up included: a generous bound.
    auto said = TestSupport::answerNextBox(true, 120000);
    // A double-click on the row, while the first track plays.
    window.on_twCurrentMusicView_itemDoubleClicked(list->topLevelItem(1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!said->isEmpty(), 120000);
    QTEST(*said, "message");
    QCOMPARE(window.playbackEngine()->isPlaying(), keepsPlaying);
    QCOMPARE(child(window, "btnPlay")->isHidden(), keepsPlaying);
    // Stopped: nothing of the earlier track is left on screen.
    const QString title = keepsPlaying ? "Track 1" : "";
    QCOMPARE(child<QLabel>(window, "lbCurrentPlayingMusic")->text(), title);
    QCOMPARE(child<QLabel>(window, "lbName")->text(), title);
    QCOMPARE(child<QStackedWidget>(window, "swMainView")->currentIndex(), keepsPlaying ? 1 : 0);
}

void tst_PlayingView::inputs_data()
{
    QTest::addColumn<bool>("paused");
    // "key <keys> [widget]", "wheel <angle> <widget>", "click|tip <fraction along> <widget>",
    // "page": the playing page shows.
    QTest::addColumn<QStringList>("inputs");
    // Playing/paused, entry, both volume sliders, stored volume, "open": the speaker's slider
    // shows.
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("minMs"); // paused position and the slider's value; -1: not checked
    QTest::addColumn<int>("maxMs");
    QTest::addColumn<QString>("tip"); // the slider's tooltip; empty: not checked
    const QString list = " twCurrentMusicView", bar = " hsPlayProcessSlider";
    QTest::newRow("Space pauses") << false << QStringList { "key Space" + list }
                                  << "paused 1 50 50 50" << -1 << -1 << "";
    QTest::newRow("Space resumes")
        << true << QStringList { "key Space" + list } << "playing 1 50 50 50" << -1 << -1 << "";
    QTest::newRow("Ctrl+Right: next")
        << false << QStringList { "key Ctrl+Right" } << "playing 2 50 50 50" << -1 << -1 << "";
    QTest::newRow("Ctrl+Left: previous")
        << false << QStringList { "key Ctrl+Left" } << "playing 0 50 50 50" << -1 << -1 << "";
    QTest::newRow("Ctrl+Up: louder")
        << false << QStringList { "key Ctrl+Up" } << "playing 1 55 55 55" << -1 << -1 << "";
    QTest::newRow("Ctrl+Down: softer")
        << true << QStringList { "key Ctrl+Down" } << "paused 1 45 45 45" << -1 << -1 << "";
    QTest::newRow("wheel over the speaker button: two notches down")
        << false << QStringList { "wheel -240 btnVolume" } << "playing 1 40 40 40" << -1 << -1
        << "";
    QTest::newRow("speaker button click opens its slider")
        << false << QStringList { "click 0.5 btnVolume" } << "playing 1 50 50 50 open" << -1 << -1
        << "";
    QTest::newRow("wheel down on the playing page's volume")
        << false << QStringList { "page", "wheel -120 hsVolumeMusic" } << "playing 1 47 47 47" << -1
        << -1 << "";
    QTest::newRow("groove click") << true << QStringList { "click 0.75" + bar }
                                  << "paused 1 50 50 50" << 6000 << 9500 << "";
    QTest::newRow("groove click, Left: 5 s back")
        << true << QStringList { "click 0.75" + bar, "key Left" + bar } << "paused 1 50 50 50"
        << 1000 << 4500 << "";
    QTest::newRow("groove click, Right: 5 s on")
        << true << QStringList { "click 0.1" + bar, "key Right" + bar } << "paused 1 50 50 50"
        << 5000 << 7000 << "";
    QTest::newRow("playing page's groove click")
        << true << QStringList { "page", "click 0.5 hsPlayProcessBar" } << "paused 1 50 50 50"
        << 3500 << 6500 << "";
    QTest::newRow("time tooltip at the groove's end")
        << true << QStringList { "tip 1" + bar } << "paused 1 50 50 50" << -1 << -1 << "0:10";
    QTest::newRow("time tooltip at the groove's start")
        << true << QStringList { "tip 0" + bar } << "paused 1 50 50 50" << -1 << -1 << "0:00";
}

void tst_PlayingView::inputs()
{
    QFETCH(bool, paused);
    QFETCH(QStringList, inputs);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    QFETCH(QString, tip);
    auto window = WindowFixture::open();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    showAlbum(*window);
    PlaybackEngine *engine = window->playbackEngine();
    engine->setVolume(0.5);
    auto *list = child<QTreeWidget>(*window, "twCurrentMusicView");
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Return); // plays the selected row
    auto *slider = child<QSlider>(*window, "hsPlayProcessSlider");
    // The range arrives with the track's first tick: a click before it has nothing to seek in.
    QTRY_VERIFY_WITH_TIMEOUT(
        engine->positionMs() > 500 && slider->maximum() == 10000 && slider->isVisible(), 5000);
    if (paused)
        engine->pause();
    QVERIFY(engine->isPaused() == paused);

    for (const QString &input : inputs) {
        const QStringList words = input.split(' ');
        QWidget *target = words.size() > 2 ? child(*window, qPrintable(words[2])) : window.get();
        if (words[0] == "page")
            window->showPlayingView();
        if (words[0] == "key") {
            const int keys = QKeySequence(words.value(1))[0];
            QTest::keyClick(target, Qt::Key(keys & ~Qt::KeyboardModifierMask),
                Qt::KeyboardModifiers(keys & Qt::KeyboardModifierMask));
        }
        if (words[0] == "wheel") {
            const QPoint at(target->width() / 2, target->height() / 2);
            QWheelEvent wheel(at, QPointF(target->mapToGlobal(at)), {},
                QPoint(0, words.value(1).toInt()), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                false);
            QCoreApplication::sendEvent(target, &wheel);
        }
        const QPoint along(
            qMin(target->width() - 1, int(target->width() * words.value(1).toDouble())),
            target->height() / 2);
        if (words[0] == "click")
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, along);
        if (words[0] == "tip") {
            QHelpEvent help(QEvent::ToolTip, along, target->mapToGlobal(along));
            QCoreApplication::sendEvent(target, &help);
        }
        if (minMs >= 0)
            slider = qobject_cast<QSlider *>(target);
    }
    const auto now = [&]() {
        auto *library = child<QSlider>(*window, "hsVolume");
        return QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(engine->isPaused()       ? "paused"
                    : engine->isPlaying() ? "playing"
                                          : "stopped")
            .arg(engine->currentIndex())
            .arg(library->value())
            .arg(child<QSlider>(*window, "hsVolumeMusic")->value())
            .arg(ConfigService::instance()->value("volume"), library->isVisible() ? "open" : "")
            .trimmed();
    };
    // A switch waits for its fade-out: bounded waits on what the engine reports.
    QFETCH(QString, state);
    QTRY_COMPARE_WITH_TIMEOUT(now(), state, 5000);
    QCOMPARE(child(*window, "btnVolume")->toolTip(),
        QStringLiteral("Volume: %1 %").arg(child<QSlider>(*window, "hsVolume")->value()));
    if (minMs >= 0) {
        const qint64 at = engine->pausedPositionMs() - qRound64(engine->trackStart() * 1000);
        QVERIFY2(at >= minMs && at <= maxMs, qPrintable(QString::number(at)));
        QCOMPARE(slider->value(), int(at));
    }
    if (!tip.isEmpty())
        QCOMPARE(QToolTip::text(), tip);
}

QTEST_MAIN(tst_PlayingView)
#include "tst_playingview.moc"
