#pragma once

#include <QColor>

class QPainter;
class QPixmap;
class QRect;

// The playing page's background: a vertical gradient of the accent colour with a faint grain
// laid over it, which hides the gradient's banding.
class PlayingBackground
{
public:
    // 256 x 256, black, each pixel's alpha random in 0..11. Built once per process (GUI thread).
    static const QPixmap &grainTexture();

    // The accent at the top edge, the accent darker by 135 at the bottom, grain tiled from the
    // rectangle's origin.
    static void paint(QPainter &painter, const QRect &rect, const QColor &accent);
};
