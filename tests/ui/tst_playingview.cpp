#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "support/modalsupport.h"
#include "support/pulsesupport.h"
#include "support/testsupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"
#include "ui/views/audiowaveview.h"

#include <QSlider>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

// The window's keys and seek bars wired to the real engine, playing the second of three 10 s
// tracks of one file on a private PulseAudio null sink.
class tst_PlayingView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { fixture.reset(); }
    void inputs_data();
    void inputs();

private:
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

void tst_PlayingView::inputs_data()
{
    QTest::addColumn<bool>("paused");
    // "key <keys> [widget]", "click <fraction along> <widget>", "page": the playing page shows.
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("state"); // playing/paused, entry, both volume sliders, stored volume
    QTest::addColumn<int>("minMs"); // paused position in the track and the bar's value
    QTest::addColumn<int>("maxMs"); // -1: not checked
    const QString list = " twCurrentMusicView", bar = " hsPlayProcessSlider";
    QTest::newRow("Space pauses") << false << QStringList { "key Space" + list }
                                  << "paused 1 50 50 50" << -1 << -1;
    QTest::newRow("Ctrl+Up: louder, stored")
        << false << QStringList { "key Ctrl+Up" } << "playing 1 55 55 55" << -1 << -1;
    QTest::newRow("groove click") << true << QStringList { "click 0.75" + bar }
                                  << "paused 1 50 50 50" << 6000 << 9500;
    QTest::newRow("groove click, Left: 5 s back")
        << true << QStringList { "click 0.75" + bar, "key Left" + bar } << "paused 1 50 50 50"
        << 1000 << 4500;
    QTest::newRow("playing page's groove click")
        << true << QStringList { "page", "click 0.5 hsPlayProcessBar" } << "paused 1 50 50 50"
        << 3500 << 6500;
}

void tst_PlayingView::inputs()
{
    QFETCH(bool, paused);
    QFETCH(QStringList, inputs);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    auto window = WindowFixture::open();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto *list = WindowFixture::queueThreeTracks(*window, dir.filePath("album.flac"), 10);
    PlaybackEngine *engine = window->playbackEngine();
    engine->setVolume(0.5);
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Return); // plays the selected row
    auto *slider = child<QSlider>(*window, "hsPlayProcessSlider");
    // The range arrives with the track's first tick: a click before it has nothing to seek in.
    QTRY_VERIFY_WITH_TIMEOUT(
        engine->positionMs() > 500 && slider->maximum() == 10000 && slider->isVisible(), 5000);
    // The meter fetches the level of what is played at its frames.
    const auto *meter = window->findChild<AudioWaveView *>(QStringLiteral("audioWaveView"));
    QVERIFY(meter && meter->isAnimating());
    QTRY_VERIFY(meter->model().target() > 0.03f); // the tone is at an eighth of full scale
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
        if (words[0] == "click") {
            const QPoint along(
                int(target->width() * words.value(1).toDouble()), target->height() / 2);
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, along);
            slider = qobject_cast<QSlider *>(target);
        }
    }
    const auto now = [&]() {
        return QStringLiteral("%1 %2 %3 %4 %5")
            .arg(engine->isPaused()       ? "paused"
                    : engine->isPlaying() ? "playing"
                                          : "stopped")
            .arg(engine->currentIndex())
            .arg(child<QSlider>(*window, "hsVolume")->value())
            .arg(child<QSlider>(*window, "hsVolumeMusic")->value())
            .arg(ConfigService::instance()->value("volume"));
    };
    // A switch waits for its fade-out: bounded waits on what the engine reports.
    QFETCH(QString, state);
    QTRY_COMPARE_WITH_TIMEOUT(now(), state, 5000);
    if (minMs >= 0) {
        const qint64 at = engine->pausedPositionMs() - qRound64(engine->trackStart() * 1000);
        QVERIFY2(at >= minMs && at <= maxMs, qPrintable(QString::number(at)));
        QCOMPARE(slider->value(), int(at));
    }
}

QTEST_MAIN(tst_PlayingView)
#include "tst_playingview.moc"
