#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QString>

// Every icon of the window is drawn at run time, at the screen's pixel density: SVG resources
// tinted to one colour, and vector glyphs for the transport buttons.
class IconPainter
{
public:
    // The application's device pixel ratio, 1.0 without an application.
    static qreal deviceRatio();

    // The SVG rendered over the whole canvas and filled with color where it is not transparent.
    static QPixmap tintedSvgPixmap(const QString &svgPath, const QSize &size, const QColor &color);
    // The same, rendered into target (logical coordinates) only.
    static QPixmap tintedSvgPixmapInRect(
        const QString &svgPath, const QSize &size, const QRectF &target, const QColor &color);

    // A transport glyph ("play", "pause", "prev", "next", "back", "playlist", "quit", "volume",
    // "muted") in glyphColor, over a filled circle of baseColor when emphasised. Drawn at two or
    // more times the logical size so it stays sharp. Unknown names give only the circle (or nothing).
    static QPixmap drawTransportIcon(const QSize &size, const QColor &glyphColor,
        const QString &name, bool emphasised, const QColor &baseColor);

    // The placeholder cover resource scaled into size; a drawn record when the resource is
    // missing.
    static QPixmap defaultCoverPixmap(const QSize &size);
    static QPixmap drawnCoverPlaceholder(const QSize &size);

    static const char *const coverResource;
};
