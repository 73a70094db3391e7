#pragma once

#include <QPixmap>
#include <QPoint>

class QWidget;

// What the ancestors of a widget paint behind it, kept as a pixmap. A widget that draws this
// first can be opaque, so that a frame of its animation repaints only the widget and not the
// window behind it.
class Backdrop
{
public:
    // The backdrop for the widget's current place in its window, size and pixel ratio, captured
    // again when one of them changed or after invalidate(). Null for a window of its own.
    const QPixmap &of(QWidget *widget);
    // The ancestors paint something else now (a new theme colour, say).
    void invalidate() { m_stale = true; }

private:
    QPixmap m_pixmap;
    QPoint m_origin;
    bool m_stale = true;
};
