#include "ui/mainwindow/playingbackground.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

const QPixmap &PlayingBackground::grainTexture()
{
    static const QPixmap texture = [] {
        QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QRandomGenerator *random = QRandomGenerator::global();
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = int((quint64(random->generate()) * 12) >> 32);
                line[x] = qRgba(0, 0, 0, alpha); // black: premultiplied the same
            }
        }
        return QPixmap::fromImage(image);
    }();
    return texture;
}

bool PlayingBackground::paint(
    QPainter &painter, const QSize &pageSize, const QColor &accent, qreal ratio)
{
    if (pageSize.isEmpty())
        return false;
    const QSize pixels(
        qMax(1, qRound(pageSize.width() * ratio)), qMax(1, qRound(pageSize.height() * ratio)));
    const bool renew = m_cache.size() != pixels || !qFuzzyCompare(m_cache.devicePixelRatio(), ratio)
        || m_accent != accent;
    if (renew) {
        m_cache = QPixmap(pixels);
        m_cache.setDevicePixelRatio(ratio);
        m_accent = accent;
        QPainter p(&m_cache);
        p.setRenderHint(QPainter::Antialiasing, false);
        const QRect page(QPoint(0, 0), pageSize);
        QLinearGradient gradient(page.topLeft(), page.bottomLeft());
        gradient.setColorAt(0, accent);
        gradient.setColorAt(1, accent.darker(135));
        p.fillRect(page, gradient);
        p.drawTiledPixmap(page, grainTexture());
    }
    painter.drawPixmap(0, 0, m_cache);
    return renew;
}
