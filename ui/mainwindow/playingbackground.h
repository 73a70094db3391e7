#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

class QPainter;

// The playing page's background: a vertical gradient from the accent colour to a darker shade,
// under a faint grain. Drawn once per size, ratio and accent; a repaint copies the cached
// pixmap, which keeps the page cheap while the disc above it turns.
class PlayingBackground
{
public:
    // True when the background was drawn anew (first time, new size, ratio or accent).
    bool paint(QPainter &painter, const QSize &pageSize, const QColor &accent, qreal ratio);

    // The 256 x 256 grain tile, made once per process: black with alpha 0 to 11.
    static const QPixmap &grainTexture();

    QPixmap cached() const { return m_cache; }

private:
    QPixmap m_cache;
    QColor m_accent;
};
