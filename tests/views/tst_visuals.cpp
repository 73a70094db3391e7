#include "app/resourceinit.h"
#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/iconpainter.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/covercolors.h"
#include "ui/views/discgeometry.h"
#include "ui/views/discmotion.h"
#include "ui/views/spinningdiscview.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

// Cover colours and theme, the spinning disc, the level meter and the drawn icons.
class tst_Visuals : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }
    void coverColors_data();
    void coverColors();
    void themeColors_data();
    void themeColors();
    void discKeepsColoursForNullCover();
    void discMotionStops();
    void parkedArmFits();
    void discCaches();
    void levelClamps_data();
    void levelClamps();
    void levelDrawing();
    void icons();
};

namespace {
QImage filled(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QImage split(int size, QColor top, int topRows, QColor bottom)
{
    QImage image = filled(size, size, bottom);
    QPainter(&image).fillRect(0, 0, size, topRows, top);
    return image;
}

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

void tst_Visuals::coverColors_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QColor>("primary");
    QTest::addColumn<QColor>("average");
    const QColor grey(60, 60, 60);
    QTest::newRow("null") << QImage() << grey << grey;
    QTest::newRow("nearly transparent") << filled(64, 64, QColor(255, 0, 0, 31)) << grey << grey;
    QTest::newRow("very dark") << filled(64, 64, QColor(20, 10, 5)) << grey << grey;
    QTest::newRow("two thirds red over blue")
        << split(48, Qt::red, 32, Qt::blue) << QColor(255, 0, 0) << QColor(170, 0, 85);
    QTest::newRow("large cover sampled down")
        << split(480, Qt::red, 320, Qt::blue) << QColor(255, 0, 0) << QColor(170, 0, 85);
    // Equal areas: the orange bin weighs 1.0 a pixel against 0.6 for grey.
    QTest::newRow("saturation weighs more")
        << split(48, QColor(255, 128, 0), 24, QColor(128, 128, 128)) << QColor(255, 128, 0)
        << QColor(213, 128, 43);
}

void tst_Visuals::coverColors()
{
    QFETCH(QImage, image);
    QFETCH(QColor, primary);
    QFETCH(QColor, average);
    QCOMPARE(dominantCoverColor(image), primary);
    const QColor mean = averageCoverColor(image);
    QVERIFY2(qAbs(mean.red() - average.red()) <= 3 && qAbs(mean.green() - average.green()) <= 3
            && qAbs(mean.blue() - average.blue()) <= 3,
        qPrintable(mean.name()));
}

void tst_Visuals::themeColors_data()
{
    // accent: primary, secondary, placeholder -> accent; text: accent -> text colour;
    // palette: colour -> palette entry.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QColor>("a");
    QTest::addColumn<QColor>("b");
    QTest::addColumn<bool>("placeholder");
    QTest::addColumn<QString>("expected");
    const QString firstEntry = QColor(0x33, 0x66, 0x96).lighter(120).name();
    QTest::newRow("accent: luminance 0.4 takes the palette")
        << "accent" << QColor(102, 102, 102) << QColor(102, 102, 102) << false << firstEntry;
    QTest::newRow("accent: luminance 0.396 kept")
        << "accent" << QColor(101, 101, 101) << QColor(101, 101, 101) << false << "#656565";
    QTest::newRow("accent: mixed 4:1")
        << "accent" << QColor(200, 0, 0) << QColor(0, 0, 200) << false << "#a00028";
    QTest::newRow("accent: placeholder")
        << "accent" << QColor(10, 10, 10) << QColor(10, 10, 10) << true << "#3c78b0";
    QTest::newRow("text: grey 115")
        << "text" << QColor(115, 115, 115) << QColor() << false << "#1a1a1a";
    QTest::newRow("text: grey 114")
        << "text" << QColor(114, 114, 114) << QColor() << false << "#ffffff";
    QTest::newRow("palette: nearly grey")
        << "palette" << QColor(140, 128, 128) << QColor() << false << "#336696";
}

void tst_Visuals::themeColors()
{
    QFETCH(QString, kind);
    QFETCH(QColor, a);
    QFETCH(QColor, b);
    QFETCH(bool, placeholder);
    QFETCH(QString, expected);
    const QColor got = kind == "accent" ? CoverTheme::accentFor(a, b, placeholder)
        : kind == "text"                ? CoverTheme::textColorFor(a)
                                        : paletteColorFor(a);
    QCOMPARE(got.name(), expected);
    QCOMPARE(got.alpha(), 255);
}

void tst_Visuals::discKeepsColoursForNullCover()
{
    SpinningDiscView view;
    view.setCover(QPixmap::fromImage(filled(32, 32, QColor(0, 200, 0))), false);
    QVERIFY(!view.isDefaultCover());
    view.setCover(QPixmap(), true);
    QCOMPARE(view.primaryColor(), QColor(0, 200, 0));
    QCOMPARE(view.secondaryColor(), QColor(0, 200, 0));
    QVERIFY(view.isDefaultCover());
}

// The view's timer runs until the arm is back, then stops (idle when stopped).
void tst_Visuals::discMotionStops()
{
    DiscMotion motion;
    motion.start();
    for (int i = 0; i < 2000; ++i)
        QVERIFY(motion.tick()); // the motor keeps it running while playing
    SpinningDiscView view;
    QVERIFY(!view.isAnimating());
    view.startSpin();
    view.stopSpin();
    QVERIFY(view.isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!view.isAnimating(), 10000);

    // In a minimised window the record waits, and turns on when the window comes back.
    QWidget window;
    auto *shown = new SpinningDiscView(&window);
    window.show();
    shown->startSpin();
    window.showMinimized();
    QTRY_VERIFY(!shown->isAnimating());
    window.showNormal();
    QTRY_VERIFY(shown->isAnimating());
}

void tst_Visuals::parkedArmFits()
{
    for (const QSizeF widget : { QSizeF(300, 500), QSizeF(400, 400), QSizeF(900, 300) }) {
        const DiscGeometry g(widget);
        for (qreal angle : { qreal(DiscMotion::parkedArmAngle), qreal(0), qreal(32) }) {
            const auto tonearm = g.arm(angle);
            QVERIFY(tonearm.pivot.y() - 0.95 * tonearm.width >= -1e-9);
            for (const QPointF &p : { tonearm.straightEnd, tonearm.elbow })
                QVERIFY(p.y() - tonearm.width / 2 >= -1e-9);
            QVERIFY(tonearm.head.y() - g.headRect().height() / 2 >= -1e-9);
        }
        QVERIFY(g.disc().bottom() <= widget.height());
        QVERIFY(g.disc().width() > 0.5 * std::min(widget.width(), widget.height()));
    }
}

void tst_Visuals::discCaches()
{
    SpinningDiscView view;
    view.resize(400, 500);
    view.grab();
    QVERIFY(view.labelCache().isNull()); // no cover, no label cache
    view.setCover(QPixmap::fromImage(filled(300, 300, QColor(0, 90, 200))), false);
    view.grab();
    const qint64 label = view.labelCache().cacheKey();
    const qint64 background = view.backgroundCache().cacheKey();
    QVERIFY(!view.labelCache().isNull());
    view.grab();
    QCOMPARE(view.labelCache().cacheKey(), label);
    QCOMPARE(view.backgroundCache().cacheKey(), background);
    view.resize(500, 620);
    view.grab();
    QVERIFY(view.labelCache().cacheKey() != label);

    view.resize(400, 400);
    view.setRingColor(QColor(200, 40, 40));
    view.grab();
    // A groove pixel on the horizontal line through the centre now carries red.
    const DiscGeometry g(QSizeF(400, 400));
    const QPoint onGroove(qRound(g.centre().x() + g.grooves()[10].radius), qRound(g.centre().y()));
    const QColor c = view.backgroundCache().toImage().pixelColor(onGroove);
    QVERIFY2(c.red() > c.blue() + 10, qPrintable(c.name()));
}

void tst_Visuals::levelClamps_data()
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

void tst_Visuals::levelClamps()
{
    QFETCH(QString, what);
    QFETCH(float, a);
    QFETCH(float, b);
    QFETCH(float, expected);
    QFETCH(float, expected2);
    AudioWaveView view;
    float got = 0, got2 = 0;
    if (what == "push") {
        view.pushLevel(a, b);
        got = view.model().target();
        got2 = view.model().level(); // only the timer moves the level
    } else {
        view.setAutoGainRange(a, b);
        got = view.model().minGain();
        got2 = view.model().maxGain();
    }
    QCOMPARE(got, expected);
    QCOMPARE(got2, expected2);
}

void tst_Visuals::levelDrawing()
{
    // Auto gain climbs from silence to its maximum and a loud signal pulls it down.
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

    // The limiter keeps loud waves inside the area.
    model.setGain(4.0f);
    model.setLimiterStrength(2.0f);
    const QRectF area(6, 6, 188, 38);
    for (const QPointF &p : model.wavePoints(area, 20.0f, 0.0f))
        QVERIFY(std::abs(p.y() - area.center().y()) <= area.height() / 2.0 + 1e-9);

    // Nothing drawn below the threshold; switching off forgets the level.
    AudioWaveView view;
    view.resize(200, 50);
    view.setActive(true);
    QVERIFY(view.isAnimating());
    QCOMPARE(paintedPixels(view), 0);
    view.pushLevel(0.8f, 0.8f);
    QTRY_VERIFY_WITH_TIMEOUT(view.model().isVisible(), 5000);
    QVERIFY(paintedPixels(view) > 0);
    view.setActive(false);
    QVERIFY(!view.isAnimating());
    QCOMPARE(view.model().level(), 0.0f);
    QCOMPARE(view.model().target(), 0.0f);
    QCOMPARE(paintedPixels(view), 0);
    view.setActive(true);
    QVERIFY(!view.model().isVisible());

    // Nobody sees a hidden meter: its timer waits until it is shown again.
    QWidget window;
    auto *shown = new AudioWaveView(&window);
    window.show();
    shown->setActive(true);
    QVERIFY(shown->isAnimating());
    window.hide();
    QVERIFY(!shown->isAnimating());
    window.show();
    QVERIFY(shown->isAnimating());
}

void tst_Visuals::icons()
{
    const QColor glyph(250, 240, 10);
    const QColor base(0x42, 0x38, 0x69);
    // Hi-dpi canvas; an unknown glyph draws nothing.
    const QPixmap play = IconPainter::drawTransportIcon(QSize(32, 32), glyph, "play", false, base);
    QVERIFY(play.devicePixelRatio() >= 2.0);
    QCOMPARE(play.size(), QSize(32, 32) * play.devicePixelRatio());
    const QImage unknown =
        IconPainter::drawTransportIcon(QSize(32, 32), glyph, "shuffle", false, base).toImage();
    QImage empty(unknown.size(), unknown.format());
    empty.fill(Qt::transparent);
    empty.setDevicePixelRatio(unknown.devicePixelRatio());
    QCOMPARE(unknown, empty);

    // A tinted SVG takes the colour; a missing one is transparent at the same size.
    const QImage tinted = IconPainter::tintedSvgPixmap(
        ":/resources/ui/images/default/common/search.svg", QSize(24, 24), QColor("#ff8000"))
                              .toImage()
                              .convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < tinted.height(); ++y)
        for (int x = 0; x < tinted.width(); ++x)
            if (tinted.pixelColor(x, y).alpha() >= 250 && ++painted)
                QCOMPARE(tinted.pixelColor(x, y).name(), QString("#ff8000"));
    QVERIFY(painted > 20);
    const QImage missing =
        IconPainter::tintedSvgPixmap("/nope.svg", QSize(24, 24), Qt::red).toImage();
    QCOMPARE(missing.size(), tinted.size());
    QCOMPARE(qAlpha(missing.pixel(missing.width() / 2, missing.height() / 2)), 0);

    // The drawn placeholder: square, at least 36 pixels, hole in the middle.
    for (const auto &[size, side] : { std::pair { QSize(300, 120), 120 },
             std::pair { QSize(10, 20), 36 }, std::pair { QSize(0, 0), 36 } }) {
        const QImage image = IconPainter::drawnCoverPlaceholder(size).toImage();
        QCOMPARE(image.size(), QSize(side, side));
        QCOMPARE(qAlpha(image.pixel(side / 2, side / 2)), 0);
    }
}

QTEST_MAIN(tst_Visuals)
#include "tst_visuals.moc"
