#include "app/resourceinit.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/discmotion.h"
#include "ui/views/spinningdiscview.h"

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
