#include "ui/views/audiowaveview.h"

#include <QImage>
#include <QtTest>
#include <cmath>

class tst_LevelMeter : public QObject
{
    Q_OBJECT
private slots:
    void pushLevel_data();
    void pushLevel();
    void setterClamps_data();
    void setterClamps();
    void autoGainRange_data();
    void autoGainRange();
    void smoothingAfterTenSteps();
    void autoGainFollowsEnvelope();
    void drawingArea();
    void waveShape();
    void limiterKeepsLoudWavesInside();
    void nothingDrawnBelowThreshold();
    void switchingOffForgetsLevel();
};

namespace {
int paintedPixels(QWidget &w)
{
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}
} // namespace

void tst_LevelMeter::pushLevel_data()
{
    QTest::addColumn<float>("l");
    QTest::addColumn<float>("r");
    QTest::addColumn<bool>("single");
    QTest::addColumn<float>("expected");
    QTest::newRow("mean") << 0.4f << 0.6f << false << 0.5f;
    QTest::newRow("r negative") << 0.4f << -1.0f << false << 0.4f;
    QTest::newRow("single") << 0.4f << 0.0f << true << 0.4f;
    QTest::newRow("over") << 1.7f << 1.7f << false << 1.0f;
    QTest::newRow("under") << -0.2f << -1.0f << false << 0.0f;
    QTest::newRow("single over") << 3.0f << 0.0f << true << 1.0f;
    QTest::newRow("r zero counts") << 0.8f << 0.0f << false << 0.4f;
}

void tst_LevelMeter::pushLevel()
{
    QFETCH(float, l);
    QFETCH(float, r);
    QFETCH(bool, single);
    QFETCH(float, expected);
    AudioWaveView view;
    if (single)
        view.pushLevel(l);
    else
        view.pushLevel(l, r);
    QCOMPARE(view.model().target(), expected);
    QCOMPARE(view.model().level(), 0.0f); // only the timer moves the level
}

void tst_LevelMeter::setterClamps_data()
{
    QTest::addColumn<QString>("setter");
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("expected");
    QTest::newRow("gain high") << "gain" << 10.0f << 4.0f;
    QTest::newRow("gain low") << "gain" << 0.0f << 0.2f;
    QTest::newRow("smoothing high") << "smoothing" << 1.0f << 0.5f;
    QTest::newRow("smoothing low") << "smoothing" << 0.0f << 0.01f;
    QTest::newRow("limiter low") << "limiter" << -1.0f << 0.0f;
    QTest::newRow("limiter high") << "limiter" << 3.0f << 2.0f;
}

void tst_LevelMeter::setterClamps()
{
    QFETCH(QString, setter);
    QFETCH(float, value);
    QFETCH(float, expected);
    AudioWaveView view;
    if (setter == "gain") {
        view.setGain(value);
        QCOMPARE(view.model().gain(), expected);
    } else if (setter == "smoothing") {
        view.setAutoGainSmoothing(value);
        QCOMPARE(view.model().smoothing(), expected);
    } else {
        view.setLimiterStrength(value);
        QCOMPARE(view.model().limiterStrength(), expected);
    }
}

void tst_LevelMeter::autoGainRange_data()
{
    QTest::addColumn<float>("minIn");
    QTest::addColumn<float>("maxIn");
    QTest::addColumn<float>("minOut");
    QTest::addColumn<float>("maxOut");
    QTest::newRow("both low") << 0.1f << 0.2f << 0.3f << 0.4f;
    QTest::newRow("max capped") << 2.0f << 9.0f << 2.0f << 5.0f;
    QTest::newRow("window's") << 0.9f << 3.2f << 0.9f << 3.2f;
    QTest::newRow("inverted") << 3.0f << 1.0f << 3.0f << 3.1f;
    QTest::newRow("inverted at cap") << 6.0f << 1.0f << 6.0f << 5.0f;
}

void tst_LevelMeter::autoGainRange()
{
    QFETCH(float, minIn);
    QFETCH(float, maxIn);
    QFETCH(float, minOut);
    QFETCH(float, maxOut);
    AudioWaveView view;
    view.setAutoGainRange(minIn, maxIn);
    QCOMPARE(view.model().minGain(), minOut);
    QCOMPARE(view.model().maxGain(), maxOut);
}

void tst_LevelMeter::smoothingAfterTenSteps()
{
    AudioWaveModel model;
    model.pushLevel(1.0f);
    for (int i = 0; i < 10; ++i)
        model.step();
    QVERIFY(qAbs(model.level() - float(1.0 - std::pow(0.85, 10))) < 1e-4f);
    const auto phases = model.phases();
    QVERIFY(qAbs(phases[0] - 0.35f) < 1e-4f);
    QVERIFY(qAbs(phases[1] - 0.27f) < 1e-4f);
    QVERIFY(qAbs(phases[2] - 0.19f) < 1e-4f);
}

void tst_LevelMeter::autoGainFollowsEnvelope()
{
    // From silence the gain climbs toward the maximum; a loud signal pulls it down again.
    AudioWaveModel model;
    model.setAutoGainRange(0.9f, 3.2f);
    model.setAutoGainSmoothing(0.06f);
    model.step();
    QVERIFY(qAbs(model.autoGain() - (3.2f * 0.06f + 1.0f * 0.94f)) < 1e-5f);
    for (int i = 0; i < 400; ++i)
        model.step();
    QVERIFY(qAbs(model.autoGain() - 3.2f) < 0.01f);
    model.pushLevel(1.0f);
    for (int i = 0; i < 600; ++i)
        model.step();
    QVERIFY(model.envelope() > 0.99f);
    QVERIFY(model.autoGain() < 1.0f);

    model.setAutoGainEnabled(false);
    model.step();
    QCOMPARE(model.autoGain(), 1.0f);
    QCOMPARE(model.waves()[0].amplitude, 0.9f * model.level());
}

void tst_LevelMeter::drawingArea()
{
    const QRectF area = AudioWaveModel::drawingArea(QRectF(0, 0, 100, 50));
    QCOMPARE(area, QRectF(6, 6, 88, 38));
    QCOMPARE(AudioWaveModel::segmentCount(area.width()), 32);
    QCOMPARE(AudioWaveModel::segmentCount(400), 80);
    AudioWaveModel model;
    QCOMPARE(model.wavePoints(area, 0.5f, 0.0f).size(), 33);
}

void tst_LevelMeter::waveShape()
{
    AudioWaveModel model;
    const QRectF area(6, 6, 88, 38);
    const QPolygonF points = model.wavePoints(area, 0.5f, 0.3f);
    // Both ends sit on the centre line at the area's edges.
    QCOMPARE(points.first(), QPointF(6, 25));
    QVERIFY(qAbs(points.last().x() - 94) < 1e-9);
    QVERIFY(qAbs(points.last().y() - 25) < 1e-9);
    // The middle point: window 1, a = 2.2 * 0.5 * 0.5, limited by 1 + 0.8 a.
    const qreal a = 2.2 * 0.5 * 0.5;
    const qreal expected =
        25 + std::sin(0.3 + 44 * (2 * M_PI / 88) * 1.25) * a / (1 + 0.8 * a) * 38;
    QVERIFY(qAbs(points[16].y() - expected) < 1e-4);
}

void tst_LevelMeter::limiterKeepsLoudWavesInside()
{
    AudioWaveModel model;
    model.setGain(4.0f);
    model.setLimiterStrength(2.0f);
    const QRectF area(6, 6, 188, 38);
    const QPolygonF points = model.wavePoints(area, 20.0f, 0.0f);
    for (const QPointF &p : points)
        QVERIFY(std::abs(p.y() - area.center().y()) <= area.height() / 2.0 + 1e-9);
}

void tst_LevelMeter::nothingDrawnBelowThreshold()
{
    AudioWaveView view;
    view.resize(200, 50);
    view.setActive(true);
    QVERIFY(view.isAnimating());
    QCOMPARE(paintedPixels(view), 0); // active but level 0
    view.pushLevel(0.8f, 0.8f);
    QTRY_VERIFY(view.model().isVisible());
    QVERIFY(paintedPixels(view) > 0);

    view.setActive(false);
    QVERIFY(!view.isAnimating());
    QCOMPARE(paintedPixels(view), 0);
}

void tst_LevelMeter::switchingOffForgetsLevel()
{
    AudioWaveView view;
    view.resize(200, 50);
    view.setActive(true);
    view.pushLevel(1.0f);
    QTRY_VERIFY(view.model().level() > 0.5f);
    view.setActive(false);
    QCOMPARE(view.model().level(), 0.0f);
    QCOMPARE(view.model().target(), 0.0f);
    const float envelope = view.model().envelope();
    QVERIFY(envelope > 0.0f);
    // Back on without new levels: the timer runs, yet the level stays under the threshold.
    view.setActive(true);
    QVERIFY(view.isAnimating());
    QTest::qWait(50);
    QVERIFY(!view.model().isVisible());
    QCOMPARE(paintedPixels(view), 0);
}

QTEST_MAIN(tst_LevelMeter)
#include "tst_levelmeter.moc"
