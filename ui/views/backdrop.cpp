#include "ui/views/backdrop.h"

#include <QVarLengthArray>
#include <QWidget>

const QPixmap &Backdrop::of(QWidget *widget)
{
    if (widget->isWindow() || widget->size().isEmpty()) {
        m_pixmap = QPixmap();
        return m_pixmap;
    }
    QWidget *window = widget->window();
    const QPoint origin = widget->mapTo(window, QPoint(0, 0));
    qreal ratio = widget->devicePixelRatioF();
    if (ratio <= 0)
        ratio = 1.0;
    const QSize pixels(qRound(widget->width() * ratio), qRound(widget->height() * ratio));
    if (!m_stale && origin == m_origin && m_pixmap.size() == pixels
        && qAbs(m_pixmap.devicePixelRatio() - ratio) <= 0.001)
        return m_pixmap;

    m_stale = false;
    m_origin = origin;
    m_pixmap = QPixmap(pixels);
    m_pixmap.setDevicePixelRatio(ratio);
    m_pixmap.fill(Qt::transparent);
    // Each ancestor paints only itself, the window first: the widget is not painted into its own
    // backdrop, and the layouts put no sibling under it.
    QVarLengthArray<QWidget *, 16> ancestors;
    for (QWidget *w = widget->parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
        ancestors.append(w);
    for (auto it = ancestors.crbegin(); it != ancestors.crend(); ++it) {
        QWidget *w = *it;
        const QRect area(widget->mapTo(w, QPoint(0, 0)), widget->size());
        w->render(&m_pixmap, QPoint(), QRegion(area),
            w->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
    }
    return m_pixmap;
}
