#include "ui/mainwindow/iconpainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>

const char *const IconPainter::coverResource = ":/resources/ui/images/default/common/cover.png";

namespace {
QImage transparentImage(const QSize &logical, qreal ratio)
{
    const QSize pixels(std::max(1, qRound(logical.width() * ratio)),
        std::max(1, qRound(logical.height() * ratio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPixmap tint(QImage &image, const QColor &color, qreal ratio)
{
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), color);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QRectF insetBy(const QRectF &r, qreal left, qreal top, qreal right, qreal bottom)
{
    return r.adjusted(r.width() * left, r.height() * top, -r.width() * right, -r.height() * bottom);
}

void roundedBar(QPainter &p, const QRectF &bar)
{
    const qreal radius = 0.18 * bar.height();
    p.drawRoundedRect(bar, radius, radius);
}

void drawSkip(QPainter &p, const QRectF &r, bool forward)
{
    const QRectF area = insetBy(r, 0.18, 0.24, 0.18, 0.24);
    const qreal barWidth = 0.12 * area.width();
    if (forward) {
        roundedBar(p, QRectF(area.right() - barWidth, area.top(), barWidth, area.height()));
        const QPointF tip(area.right() - barWidth, area.center().y());
        p.drawPolygon(QPolygonF({ area.topLeft(), area.bottomLeft(), tip }));
    } else {
        roundedBar(p, QRectF(area.left(), area.top(), barWidth, area.height()));
        const QPointF tip(area.left() + barWidth, area.center().y());
        p.drawPolygon(QPolygonF({ area.topRight(), area.bottomRight(), tip }));
    }
}
} // namespace

qreal IconPainter::deviceRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap IconPainter::tintedSvgPixmap(const QString &svgPath, const QSize &size, const QColor &color)
{
    return tintedSvgPixmapInRect(svgPath, size, QRectF(QPointF(0, 0), QSizeF(size)), color);
}

QPixmap IconPainter::tintedSvgPixmapInRect(
    const QString &svgPath, const QSize &size, const QRectF &target, const QColor &color)
{
    const qreal ratio = deviceRatio();
    QImage image = transparentImage(size, ratio);
    {
        QSvgRenderer renderer(svgPath);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(qreal(image.width()) / std::max(1, size.width()),
            qreal(image.height()) / std::max(1, size.height()));
        if (renderer.isValid())
            renderer.render(&p, target);
    }
    return tint(image, color, ratio);
}

QPixmap IconPainter::drawTransportIcon(const QSize &size, const QColor &glyphColor,
    const QString &name, bool emphasised, const QColor &baseColor)
{
    const qreal scale = std::max<qreal>(2.0, deviceRatio());
    QPixmap canvas(int(size.width() * scale), int(size.height() * scale));
    canvas.fill(Qt::transparent);
    canvas.setDevicePixelRatio(scale);

    QPainter p(&canvas);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.setPen(Qt::NoPen);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    if (emphasised) {
        QColor base = baseColor.lighter(112);
        base.setAlpha(255);
        p.setBrush(base);
        p.drawEllipse(insetBy(r, 0.02, 0.02, 0.02, 0.02));
    }
    p.setBrush(glyphColor);

    if (name == QLatin1String("play")) {
        const QRectF a = insetBy(r, 0.32, 0.24, 0.20, 0.24);
        p.drawPolygon(
            QPolygonF({ a.topLeft(), a.bottomLeft(), QPointF(a.right(), a.center().y()) }));
    } else if (name == QLatin1String("pause")) {
        const QRectF a = insetBy(r, 0.28, 0.24, 0.28, 0.24);
        const qreal barWidth = 0.34 * a.width();
        roundedBar(p, QRectF(a.left(), a.top(), barWidth, a.height()));
        roundedBar(p, QRectF(a.right() - barWidth, a.top(), barWidth, a.height()));
    } else if (name == QLatin1String("prev")) {
        drawSkip(p, r, false);
    } else if (name == QLatin1String("next")) {
        drawSkip(p, r, true);
    } else if (name == QLatin1String("back")) {
        const QRectF a = insetBy(r, 0.28, 0.28, 0.28, 0.28);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(glyphColor, 0.18 * a.height(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({ QPointF(a.left() + 0.7 * a.width(), a.top()),
            QPointF(a.left() + 0.25 * a.width(), a.center().y()),
            QPointF(a.left() + 0.7 * a.width(), a.bottom()) }));
    } else if (name == QLatin1String("playlist")) {
        const QRectF a = insetBy(r, 0.18, 0.22, 0.18, 0.22);
        const qreal rowHeight = a.height() / 3.0;
        const qreal thickness = 0.45 * rowHeight;
        for (int row = 0; row < 3; ++row) {
            const qreal cy = a.top() + rowHeight * (row + 0.5);
            p.drawEllipse(
                QPointF(a.left() + thickness / 2.0, cy), thickness / 2.0, thickness / 2.0);
            const QRectF bar(a.left() + 1.9 * thickness, cy - thickness / 2.0,
                a.width() - 1.9 * thickness, thickness);
            p.drawRoundedRect(bar, thickness / 2.0, thickness / 2.0);
        }
    } else if (name == QLatin1String("volume") || name == QLatin1String("muted")) {
        const QRectF a = insetBy(r, 0.2, 0.26, 0.2, 0.26);
        const qreal h = a.height();
        p.drawPolygon(QPolygonF(
            { QPointF(a.left(), a.top() + 0.3 * h), QPointF(a.left() + 0.22 * h, a.top() + 0.3 * h),
                QPointF(a.left() + 0.5 * h, a.top()), QPointF(a.left() + 0.5 * h, a.bottom()),
                QPointF(a.left() + 0.22 * h, a.top() + 0.7 * h),
                QPointF(a.left(), a.top() + 0.7 * h) }));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(glyphColor, 0.1 * h, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QRectF right(
            a.left() + 0.68 * h, a.top() + 0.2 * h, a.right() - a.left() - 0.68 * h, 0.6 * h);
        if (name == QLatin1String("muted")) {
            const QRectF x = insetBy(right, 0.1, 0.1, 0.1, 0.1);
            p.drawLine(x.topLeft(), x.bottomRight());
            p.drawLine(x.topRight(), x.bottomLeft());
        } else {
            // Two sound waves: arcs centred on the speaker's mouth.
            const QPointF mouth(a.left() + 0.5 * h, a.center().y());
            for (qreal radius : { 0.3 * h, 0.55 * h })
                p.drawArc(QRectF(mouth.x() - radius, mouth.y() - radius, 2 * radius, 2 * radius),
                    -50 * 16, 100 * 16);
        }
    } else if (name == QLatin1String("quit")) {
        const QRectF a = insetBy(r, 0.26, 0.26, 0.26, 0.26);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(glyphColor, 0.16 * a.height(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(a.topLeft(), a.bottomRight());
        p.drawLine(a.topRight(), a.bottomLeft());
    }
    return canvas;
}

QPixmap IconPainter::defaultCoverPixmap(const QSize &size)
{
    const QPixmap resource(QString::fromLatin1(coverResource));
    if (resource.isNull())
        return drawnCoverPlaceholder(size);
    return resource.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap IconPainter::drawnCoverPlaceholder(const QSize &size)
{
    const int side = std::min(std::max(36, size.width()), std::max(36, size.height()));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF square(0, 0, side, side);
    const QPointF c = square.center();

    p.setPen(QPen(QColor("#2e284b"), 2));
    p.setBrush(QColor("#423869"));
    p.drawEllipse(square.adjusted(1, 1, -1, -1));

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor("#005291"), 3));
    p.drawEllipse(c, side / 4.0, side / 4.0);

    // The hole shows what lies behind the cover.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(c, 0.06 * side, 0.06 * side);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor("#b4afd0"), 2));
    p.drawArc(
        square.adjusted(0.16 * side, 0.16 * side, -0.16 * side, -0.16 * side), 30 * 16, 120 * 16);
    p.setPen(QPen(QColor(255, 255, 255, 70), 3));
    p.drawArc(
        square.adjusted(0.08 * side, 0.08 * side, -0.08 * side, -0.08 * side), 30 * 16, 120 * 16);
    return pixmap;
}
