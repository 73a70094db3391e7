#include "app/resourceinit.h"
#include "ui/mainwindow/iconpainter.h"

#include <QImage>
#include <QtTest>

class tst_TransportIcons : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }
    void canvas();
    void glyphs_data();
    void glyphs();
    void emphasisedBackground();
    void tintedSvg();
    void tintedSvgInRect();
    void defaultCover();
    void drawnPlaceholder_data();
    void drawnPlaceholder();
};

namespace {
const QColor glyph(250, 240, 10);
const QColor base(0x42, 0x38, 0x69);

// Colour at a logical point of a pixmap drawn at some pixel ratio.
QColor at(const QPixmap &pixmap, qreal x, qreal y)
{
    const QImage image = pixmap.toImage();
    const qreal ratio = pixmap.devicePixelRatio();
    return image.pixelColor(int(x * ratio), int(y * ratio));
}

bool isGlyph(const QColor &c)
{
    return c.alpha() == 255 && qAbs(c.red() - glyph.red()) <= 2
        && qAbs(c.green() - glyph.green()) <= 2 && qAbs(c.blue() - glyph.blue()) <= 2;
}
} // namespace

void tst_TransportIcons::canvas()
{
    // At least twice the logical size, whatever the screen.
    const QPixmap icon = IconPainter::drawTransportIcon(QSize(32, 32), glyph, "play", false, base);
    QVERIFY(icon.devicePixelRatio() >= 2.0);
    QCOMPARE(
        icon.size(), QSize(int(32 * icon.devicePixelRatio()), int(32 * icon.devicePixelRatio())));
    const QPixmap small = IconPainter::drawTransportIcon(QSize(16, 16), glyph, "quit", false, base);
    QCOMPARE(small.size(),
        QSize(int(16 * small.devicePixelRatio()), int(16 * small.devicePixelRatio())));
}

void tst_TransportIcons::glyphs_data()
{
    // Points on a 100 x 100 icon: one inside the glyph, one that must stay empty.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPointF>("inside");
    QTest::addColumn<QPointF>("outside");
    // play: triangle from (32,24)-(32,76) to (80,50)
    QTest::newRow("play") << "play" << QPointF(40, 50) << QPointF(78, 30);
    // pause: bars x 28..43.3 and 56.7..72, y 24..76
    QTest::newRow("pause left bar") << "pause" << QPointF(35, 50) << QPointF(50, 50);
    QTest::newRow("pause right bar") << "pause" << QPointF(65, 30) << QPointF(50, 30);
    // prev: bar x 18..25.7 at the left, triangle from the right edge (82) to the bar
    QTest::newRow("prev bar") << "prev" << QPointF(21, 30) << QPointF(40, 30);
    QTest::newRow("prev triangle") << "prev" << QPointF(70, 32) << QPointF(30, 30);
    QTest::newRow("next bar") << "next" << QPointF(79, 30) << QPointF(60, 30);
    QTest::newRow("next triangle") << "next" << QPointF(30, 32) << QPointF(70, 30);
    // back: chevron stroked through (28+0.25*44, 50)
    QTest::newRow("back") << "back" << QPointF(40, 50) << QPointF(60, 50);
    // playlist: three rows in y 22..78, dots at the left, bars after them
    QTest::newRow("playlist dot") << "playlist" << QPointF(22, 31) << QPointF(22, 40);
    QTest::newRow("playlist bar") << "playlist" << QPointF(60, 50) << QPointF(60, 40);
    // quit: diagonals of 26..74
    QTest::newRow("quit") << "quit" << QPointF(50, 50) << QPointF(50, 30);
    QTest::newRow("unknown") << "shuffle" << QPointF(-1, -1) << QPointF(50, 50);
}

void tst_TransportIcons::glyphs()
{
    QFETCH(QString, name);
    QFETCH(QPointF, inside);
    QFETCH(QPointF, outside);
    const QPixmap icon = IconPainter::drawTransportIcon(QSize(100, 100), glyph, name, false, base);
    if (inside.x() >= 0)
        QVERIFY2(isGlyph(at(icon, inside.x(), inside.y())),
            qPrintable(at(icon, inside.x(), inside.y()).name(QColor::HexArgb)));
    QCOMPARE(at(icon, outside.x(), outside.y()).alpha(), 0);
}

void tst_TransportIcons::emphasisedBackground()
{
    const QPixmap icon =
        IconPainter::drawTransportIcon(QSize(100, 100), glyph, "pause", true, base);
    QColor expected = base.lighter(112);
    QCOMPARE(at(icon, 50, 50).name(), expected.name()); // between the bars
    QCOMPARE(at(icon, 50, 50).alpha(), 255);
    QCOMPARE(at(icon, 1, 50).alpha(), 0); // inset by 2 %
    QVERIFY(isGlyph(at(icon, 35, 50)));
    // An unknown name keeps only the circle.
    const QPixmap plain =
        IconPainter::drawTransportIcon(QSize(100, 100), glyph, "none", true, base);
    QCOMPARE(at(plain, 50, 50).name(), expected.name());
}

void tst_TransportIcons::tintedSvg()
{
    const QPixmap pixmap = IconPainter::tintedSvgPixmap(
        ":/resources/ui/images/default/common/search.svg", QSize(24, 24), QColor("#ff8000"));
    const qreal ratio = IconPainter::deviceRatio();
    QCOMPARE(pixmap.devicePixelRatio(), ratio);
    QCOMPARE(pixmap.size(), QSize(qRound(24 * ratio), qRound(24 * ratio)));
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 250)
                continue;
            ++painted;
            QCOMPARE(c.name(), QString("#ff8000"));
        }
    }
    QVERIFY(painted > 20);
    // A missing SVG gives an empty (transparent) icon of the same size.
    const QPixmap missing = IconPainter::tintedSvgPixmap("/nope.svg", QSize(24, 24), Qt::red);
    QCOMPARE(missing.size(), pixmap.size());
    QCOMPARE(at(missing, 12, 12).alpha(), 0);
}

void tst_TransportIcons::tintedSvgInRect()
{
    const QPixmap pixmap = IconPainter::tintedSvgPixmapInRect(
        ":/resources/ui/images/default/common/reveal_in_explorer.svg", QSize(32, 32),
        QRectF(3, 3, 26, 26), Qt::white);
    const QImage image = pixmap.toImage();
    const qreal ratio = pixmap.devicePixelRatio();
    int inside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                continue;
            const QPointF logical(x / ratio, y / ratio);
            QVERIFY2(QRectF(2.5, 2.5, 27, 27).contains(logical),
                qPrintable(QString("%1,%2").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY(inside > 20);
}

void tst_TransportIcons::defaultCover()
{
    // The resource is square: scaled into a wide box it keeps its aspect.
    const QPixmap cover = IconPainter::defaultCoverPixmap(QSize(300, 200));
    QCOMPARE(cover.size(), QSize(200, 200));
}

void tst_TransportIcons::drawnPlaceholder_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("side");
    QTest::newRow("square") << QSize(256, 256) << 256;
    QTest::newRow("wide") << QSize(300, 120) << 120;
    QTest::newRow("tiny") << QSize(10, 20) << 36;
    QTest::newRow("empty") << QSize(0, 0) << 36;
}

void tst_TransportIcons::drawnPlaceholder()
{
    QFETCH(QSize, size);
    QFETCH(int, side);
    const QPixmap pixmap = IconPainter::drawnCoverPlaceholder(size);
    QCOMPARE(pixmap.size(), QSize(side, side));
    const QImage image = pixmap.toImage();
    QCOMPARE(qAlpha(image.pixel(side / 2, side / 2)), 0); // the centre hole
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // outside the disc
    if (side >= 100) {
        // The disc body between the ring and the edge, below the highlights.
        const QColor body = image.pixelColor(side / 2, int(side * 0.85));
        QCOMPARE(body.name(), QString("#423869"));
    }
}

QTEST_MAIN(tst_TransportIcons)
#include "tst_transporticons.moc"
