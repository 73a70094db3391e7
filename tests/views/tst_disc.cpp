#include "ui/views/covercolors.h"
#include "ui/views/discgeometry.h"
#include "ui/views/discmotion.h"
#include "ui/views/spinningdiscview.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

class tst_Disc : public QObject
{
    Q_OBJECT
private slots:
    void coverColors_data();
    void coverColors();
    void largeCoverSampledDown();
    void setCoverKeepsColoursForNull();
    void armEasingStops();
    void spinEasesLabelUp();
    void viewTimerStopsAfterStop();
    void geometry_data();
    void geometry();
    void parkedArmFits_data();
    void parkedArmFits();
    void grooves();
    void labelCacheOncePerSize();
    void backgroundCacheFollowsRingColour();
};

namespace {
QImage filled(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// A size x size cover: its top rows of one colour over another.
QImage split(int size, QColor top, int topRows, QColor bottom)
{
    QImage image = filled(size, size, bottom);
    QPainter(&image).fillRect(0, 0, size, topRows, top);
    return image;
}

void paint(QWidget &w)
{
    QImage target(w.size(), QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    w.render(&target);
}
} // namespace

void tst_Disc::coverColors_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QColor>("primary");
    QTest::addColumn<QColor>("average");
    const QColor grey(60, 60, 60);
    QTest::newRow("null") << QImage() << grey << grey;
    QTest::newRow("transparent") << filled(64, 64, QColor(255, 0, 0, 0)) << grey << grey;
    QTest::newRow("nearly transparent") << filled(64, 64, QColor(255, 0, 0, 31)) << grey << grey;
    QTest::newRow("very dark") << filled(64, 64, QColor(20, 10, 5)) << grey << grey;
    QTest::newRow("black") << filled(64, 64, Qt::black) << grey << grey;
    QTest::newRow("one colour") << filled(100, 30, QColor(200, 120, 40)) << QColor(200, 120, 40)
                                << QColor(200, 120, 40);
    QTest::newRow("value just counted")
        << filled(8, 8, QColor(21, 21, 21)) << QColor(21, 21, 21) << QColor(21, 21, 21);
    QTest::newRow("two thirds red over blue")
        << split(48, Qt::red, 32, Qt::blue) << QColor(255, 0, 0) << QColor(170, 0, 85);
    // Equal areas, but the orange bin weighs 1.0 a pixel against 0.6 for grey, so it wins; the
    // average leans toward it 1.0 : 0.5.
    QTest::newRow("saturation weighs more")
        << split(48, QColor(255, 128, 0), 24, QColor(128, 128, 128)) << QColor(255, 128, 0)
        << QColor(int((255 * 1.0 + 128 * 0.5) / 1.5), 128, int(128 * 0.5 / 1.5));
}

void tst_Disc::coverColors()
{
    QFETCH(QImage, image);
    QFETCH(QColor, primary);
    QFETCH(QColor, average);
    QCOMPARE(dominantCoverColor(image), primary);
    QCOMPARE(averageCoverColor(image), average);
}

void tst_Disc::largeCoverSampledDown()
{
    // The dominant colour of two thirds red over blue stays pure red after sampling down.
    const QImage large = split(480, Qt::red, 320, Qt::blue);
    QCOMPARE(dominantCoverColor(large), QColor(255, 0, 0));
    const QColor mean = averageCoverColor(large);
    QVERIFY(qAbs(mean.red() - 170) <= 3 && mean.green() == 0 && qAbs(mean.blue() - 85) <= 3);
}

void tst_Disc::setCoverKeepsColoursForNull()
{
    SpinningDiscView view;
    view.setCover(QPixmap::fromImage(filled(32, 32, QColor(0, 200, 0))), false);
    QCOMPARE(view.primaryColor(), QColor(0, 200, 0));
    QVERIFY(!view.isDefaultCover());
    view.setCover(QPixmap(), true);
    QCOMPARE(view.primaryColor(), QColor(0, 200, 0));
    QCOMPARE(view.secondaryColor(), QColor(0, 200, 0));
    QVERIFY(view.isDefaultCover());
}

void tst_Disc::armEasingStops()
{
    DiscMotion motion;
    QCOMPARE(motion.armAngle(), -28.0f);
    motion.start();
    for (int i = 0; i < 2000; ++i)
        QVERIFY(motion.tick()); // the motor keeps it running while playing
    QVERIFY(qAbs(motion.armAngle() - 32.0f) < 0.01f);

    motion.stop();
    QCOMPARE(motion.labelSpeed(), 0.0f); // the label halts at once
    int ticks = 1;
    while (motion.tick()) {
        ++ticks;
        QVERIFY(ticks < 1000);
    }
    QVERIFY(qAbs(motion.armAngle()) < 0.01f);
    // One tick earlier the arm was still further than 0.01 degree away.
    QVERIFY(qAbs(motion.armAngle() / 0.92f) >= 0.01f);
    QVERIFY(ticks > 90);
}

void tst_Disc::spinEasesLabelUp()
{
    DiscMotion motion;
    motion.start();
    QVERIFY(motion.isSpinning());
    motion.tick();
    QVERIFY(qAbs(motion.labelSpeed() - 0.06f * 0.0396f) < 1e-7f);
    QVERIFY(qAbs(motion.armAngle() - (0.92f * -28.0f + 0.08f * 32.0f)) < 1e-4f);
    for (int i = 0; i < 500; ++i)
        motion.tick();
    QVERIFY(qAbs(motion.labelSpeed() - 0.0396f) < 1e-5f);
    const float before = motion.labelAngle();
    motion.tick();
    QVERIFY(qAbs(motion.labelAngle() - before - 0.0396f) < 1e-3f);
    for (int i = 0; i < 20000; ++i)
        motion.tick();
    QVERIFY(motion.labelAngle() >= 0.0f && motion.labelAngle() < 360.0f);
}

void tst_Disc::viewTimerStopsAfterStop()
{
    SpinningDiscView view;
    QVERIFY(!view.isAnimating());
    view.startSpin();
    QVERIFY(view.isAnimating());
    view.stopSpin();
    QVERIFY(view.isAnimating()); // the arm still has to swing back
    QTRY_VERIFY_WITH_TIMEOUT(!view.isAnimating(), 10000);
    QVERIFY(qAbs(view.motion().armAngle()) < 0.01f);
}

void tst_Disc::geometry_data()
{
    QTest::addColumn<QSizeF>("widget");
    QTest::addColumn<QRectF>("disc");
    QTest::newRow("tall") << QSizeF(300, 500) << QRectF(24, 124, 252, 252);
    QTest::newRow("roomy square") << QSizeF(400, 480) << QRectF(32, 72, 336, 336);
    // Too flat for the parked arm above a centred record: lower and, if need be, smaller.
    const qreal wide = 280 / 1.175;
    QTest::newRow("wide") << QSizeF(500, 300)
                          << QRectF((500 - wide) / 2, 20 + 0.145 * wide, wide, wide);
    const qreal square = 380 / 1.175;
    QTest::newRow("square") << QSizeF(400, 400)
                            << QRectF((400 - square) / 2, 20 + 0.145 * square, square, square);
    QTest::newRow("empty") << QSizeF(0, 0) << QRectF(0, 0, 0, 0);
}

void tst_Disc::geometry()
{
    QFETCH(QSizeF, widget);
    QFETCH(QRectF, disc);
    const DiscGeometry g(widget);
    QCOMPARE(g.disc(), disc);
    QCOMPARE(g.radius(), disc.width() / 2);
    QCOMPARE(g.labelDiameter(), 0.62 * disc.width());
    QCOMPARE(g.label().center(), disc.center());
}

void tst_Disc::parkedArmFits_data()
{
    QTest::addColumn<QSizeF>("widget");
    QTest::newRow("tall") << QSizeF(300, 500);
    QTest::newRow("square") << QSizeF(400, 400);
    QTest::newRow("flat") << QSizeF(660, 420);
    QTest::newRow("very flat") << QSizeF(900, 300);
}

void tst_Disc::parkedArmFits()
{
    QFETCH(QSizeF, widget);
    const DiscGeometry g(widget);
    for (qreal angle : { qreal(DiscMotion::parkedArmAngle), qreal(0), qreal(32) }) {
        const auto tonearm = g.arm(angle);
        const qreal pen = tonearm.width / 2;
        QVERIFY(tonearm.pivot.y() - 0.95 * tonearm.width >= -1e-9);
        for (const QPointF &p : { tonearm.straightEnd, tonearm.elbow })
            QVERIFY2(p.y() - pen >= -1e-9, qPrintable(QString::number(angle)));
        // The head's shell reaches half its height above the head point.
        QVERIFY(tonearm.head.y() - g.headRect().height() / 2 >= -1e-9);
    }
    QVERIFY(g.disc().bottom() <= widget.height());
    QVERIFY(g.disc().width() > 0.5 * std::min(widget.width(), widget.height()));
}

void tst_Disc::grooves()
{
    const DiscGeometry g(QSizeF(300, 500)); // R = 126, rim 1
    QCOMPARE(g.rim(), 1.0);
    QCOMPARE(DiscGeometry(QSizeF(2000, 2000)).rim(), 2.0);
    const auto grooves = g.grooves();
    const qreal r0 = 0.31 * 252 + 0.02 * 126;
    const qreal r1 = 126 - 0.55;
    QVERIFY(!grooves.isEmpty());
    QCOMPARE(grooves.first().radius, r0);
    QCOMPARE(grooves.first().alpha, 70);
    QVERIFY(grooves.last().radius < r1);
    QVERIFY(grooves.last().radius + 0.006 * 126 >= r1 - 1e-9);
    for (const auto &groove : grooves)
        QVERIFY(groove.alpha >= 40 && groove.alpha <= 100);
}

void tst_Disc::labelCacheOncePerSize()
{
    SpinningDiscView view;
    view.resize(400, 500);
    paint(view);
    QVERIFY(view.labelCache().isNull()); // no cover, no label cache

    view.setCover(QPixmap::fromImage(filled(300, 300, QColor(0, 90, 200))), false);
    paint(view);
    const qint64 first = view.labelCache().cacheKey();
    QVERIFY(!view.labelCache().isNull());
    QCOMPARE(view.labelCacheSize(), QSize(qRound(0.62 * 336 * 1.26), qRound(0.62 * 336 * 1.26)));
    paint(view);
    QCOMPARE(view.labelCache().cacheKey(), first);

    view.resize(500, 620);
    paint(view);
    const qint64 second = view.labelCache().cacheKey();
    QVERIFY(second != first);
    paint(view);
    QCOMPARE(view.labelCache().cacheKey(), second);

    // The placeholder is shown without zoom.
    view.setCover(QPixmap::fromImage(filled(300, 300, QColor(0, 90, 200))), true);
    paint(view);
    QCOMPARE(view.labelCacheSize(), QSize(qRound(0.62 * 420), qRound(0.62 * 420)));
}

void tst_Disc::backgroundCacheFollowsRingColour()
{
    SpinningDiscView view;
    view.resize(400, 400);
    paint(view);
    const qint64 first = view.backgroundCache().cacheKey();
    paint(view);
    QCOMPARE(view.backgroundCache().cacheKey(), first);
    view.setRingColor(QColor(200, 40, 40));
    paint(view);
    const QImage image = view.backgroundCache().toImage();
    QVERIFY(view.backgroundCache().cacheKey() != first);
    // A groove pixel on the horizontal line through the centre now carries red.
    const DiscGeometry g(QSizeF(400, 400));
    const auto rings = g.grooves();
    const QPoint onGroove(qRound(g.centre().x() + rings[10].radius), qRound(g.centre().y()));
    const QColor c = image.pixelColor(onGroove);
    QVERIFY2(c.red() > c.blue() + 10, qPrintable(c.name()));
}

QTEST_MAIN(tst_Disc)
#include "tst_disc.moc"
