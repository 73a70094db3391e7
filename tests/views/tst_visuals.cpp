#include "app/resourceinit.h"
#include "ui/mainwindow/progressslider.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/discmotion.h"
#include "ui/views/spinningdiscview.h"

#include <QPainter>
#include <QScreen>
#include <QtTest>

// The level meter's input and gain, and the animation timers, which run only while seen.
class tst_Visuals : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }

    void levelClamps_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<float>("a");
        QTest::addColumn<float>("b");
        QTest::addColumn<float>("expected");
        QTest::addColumn<float>("expected2");
        QTest::newRow("push: mean") << "push" << 0.4f << 0.6f << 0.5f << 0.0f;
        QTest::newRow("push: right negative = mono") << "push" << 0.4f << -1.0f << 0.4f << 0.0f;
        QTest::newRow("push: over") << "push" << 1.7f << 1.7f << 1.0f << 0.0f;
        QTest::newRow("range: both low") << "range" << 0.1f << 0.2f << 0.3f << 0.4f;
        QTest::newRow("range: max capped") << "range" << 2.0f << 9.0f << 2.0f << 5.0f;
        QTest::newRow("range: inverted") << "range" << 3.0f << 1.0f << 3.0f << 3.1f;
    }

    void levelClamps()
    {
        QFETCH(QString, what);
        QFETCH(float, a);
        QFETCH(float, b);
        QFETCH(float, expected);
        QFETCH(float, expected2);
        AudioWaveView view;
        if (what == "push") {
            view.pushLevel(a, b);
            QCOMPARE(view.model().target(), expected);
            QCOMPARE(view.model().level(), expected2); // only the timer moves the level
        } else {
            view.setAutoGainRange(a, b);
            QCOMPARE(view.model().minGain(), expected);
            QCOMPARE(view.model().maxGain(), expected2);
        }
    }

    // Auto gain climbs from silence to its maximum and a loud signal pulls it down.
    void autoGain()
    {
        AudioWaveModel model;
        model.setAutoGainRange(0.9f, 3.2f);
        model.setAutoGainSmoothing(0.06f);
        for (int i = 0; i < 400; ++i)
            model.step();
        QVERIFY(qAbs(model.autoGain() - 3.2f) < 0.01f);
        model.pushLevel(1.0f);
        for (int i = 0; i < 600; ++i)
            model.step();
        QVERIFY(model.autoGain() < 1.0f);
        model.setAutoGainEnabled(false);
        model.step();
        QCOMPARE(model.autoGain(), 1.0f);
    }

    // The meter draws its waves itself; loud waves must look like Qt's own antialiased stroke of
    // the same points with round ends, over the window behind it.
    void wavesLookLikeAStroke_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<float>("gain");
        QTest::addColumn<bool>("uncovered");
        QTest::newRow("library page") << 515 << 0.0f << false;
        QTest::newRow("narrowest, steep") << 120 << 0.0f << false;
        // Each tick repaints only the band the waves sweep: tall waves lowered at once must
        // leave nothing of themselves on the screen.
        QTest::newRow("library page, waves lowered at once") << 515 << 0.4f << false;
        // On X11 the ticks put their frames on the meter's window past Qt, whose own copy then
        // still holds the tall waves it last painted: a window uncovering the meter must not
        // bring those back.
        QTest::newRow("waves lowered, then uncovered") << 515 << 0.4f << true;
    }

    void wavesLookLikeAStroke()
    {
        QFETCH(int, width);
        QFETCH(float, gain);
        QFETCH(bool, uncovered);
        const float level = 0.95f;
        QWidget window;
        window.setStyleSheet(QStringLiteral("background: #1e2233;"));
        window.setGeometry(40, 40, width, 50);
        auto *meter = new AudioWaveView(&window);
        meter->resize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        meter->setActive(true);
        meter->pushLevel(level, level);
        QTRY_VERIFY(qAbs(meter->model().level() - level) < 0.01f);
        if (gain > 0) {
            meter->repaint(); // Qt's own copy now holds the tall waves
            QSignalSpy frames(meter, &AudioWaveView::frameStarting);
            meter->setGain(gain);
            QTRY_VERIFY(frames.count() >= 3);
        }
        if (uncovered) {
            QWidget cover;
            cover.setWindowFlags(Qt::FramelessWindowHint);
            cover.setGeometry(window.geometry());
            cover.show();
            QVERIFY(QTest::qWaitForWindowExposed(&cover));
            cover.hide();
            QTest::qWait(100);
        }
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QVERIFY(meter->framesPutDirectly() > 0);
        // What the ticks put on the screen. No event runs between this and reading the model,
        // so it stays as drawn.
        QImage drawn = window.screen()
                           ->grabWindow(window.winId())
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32);
        drawn.setDevicePixelRatio(meter->devicePixelRatioF());

        QImage stroked(drawn.size(), QImage::Format_RGB32);
        stroked.setDevicePixelRatio(drawn.devicePixelRatio()); // also under a scale factor
        stroked.fill(QColor(0x1e, 0x22, 0x33));
        QPainter painter(&stroked);
        painter.setRenderHint(QPainter::Antialiasing);
        const auto colors = meter->colors();
        const qreal widths[3] = { 2.2, 2.0, 1.8 };
        const auto waves = meter->model().waves();
        for (int i = 0; i < 3; ++i) {
            painter.setPen(QPen(colors[size_t(i)], widths[i], Qt::SolidLine, Qt::RoundCap));
            painter.drawPolyline(
                meter->model().wavePoints(AudioWaveModel::drawingArea(meter->rect()),
                    waves[size_t(i)].amplitude, waves[size_t(i)].phase));
        }
        painter.end();

        // Edges may differ by a few levels; a wave off by half a pixel, too thick or in the wrong
        // colour moves the mean by several.
        qint64 total = 0;
        int worst = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb a = drawn.pixel(x, y);
                const QRgb b = stroked.pixel(x, y);
                const int d = qMax(qAbs(qRed(a) - qRed(b)),
                    qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))));
                total += d;
                worst = qMax(worst, d);
            }
        }
        const double mean = double(total) / (drawn.width() * drawn.height());
        QVERIFY2(mean < 1.0 && worst < 96,
            qPrintable(QStringLiteral("mean %1, worst %2").arg(mean).arg(worst)));
    }

    // The seek bar repaints when its handle moves to another pixel, not on every tick.
    void seekBarRepaintsWhenItsHandleMoves()
    {
        ProgressSlider bar;
        bar.setOrientation(Qt::Horizontal);
        bar.resize(300, 20);
        bar.setRange(0, 300000);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        struct Counter : QObject
        {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        bar.installEventFilter(&counter);
        for (int ms = 100; ms <= 500; ms += 100)
            bar.setValue(ms); // well under a pixel
        QTest::qWait(50);
        QCOMPARE(counter.paints, 0);
        QCOMPARE(bar.value(), 500);
        bar.setValue(150000);
        QTRY_COMPARE(counter.paints, 1);
    }

    void timersRunOnlyWhileSeen()
    {
        QWidget window;
        auto *meter = new AudioWaveView(&window);
        auto *disc = new SpinningDiscView(&window);
        window.show();
        meter->setActive(true);
        meter->pushLevel(0.8f, 0.8f);
        QVERIFY(meter->isAnimating());
        QTRY_VERIFY_WITH_TIMEOUT(meter->model().isVisible(), 5000);
        disc->startSpin();
        window.hide();
        QVERIFY(!meter->isAnimating());
        QVERIFY(!disc->isAnimating());
        window.show();
        QVERIFY(meter->isAnimating());
        QTRY_VERIFY(disc->isAnimating());
        // Switched off, the meter forgets its level and stops.
        meter->setActive(false);
        QVERIFY(!meter->isAnimating());
        QCOMPARE(meter->model().level(), 0.0f);
        QCOMPARE(meter->model().target(), 0.0f);

        // The motor keeps the disc turning while playing; stopped, it runs until the arm is back.
        DiscMotion motion;
        motion.start();
        for (int i = 0; i < 2000; ++i)
            QVERIFY(motion.tick());
        disc->stopSpin();
        QVERIFY(disc->isAnimating());
        QTRY_VERIFY_WITH_TIMEOUT(!disc->isAnimating(), 10000);
    }
};

QTEST_MAIN(tst_Visuals)
#include "tst_visuals.moc"
