#include "ui/views/playingbackground.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
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
                const auto alpha = static_cast<int>((quint64(random->generate()) * 12) >> 32);
                line[x] = qRgba(0, 0, 0, alpha);
            }
        }
        return QPixmap::fromImage(image);
    }();
    return texture;
}

void PlayingBackground::paint(QPainter &painter, const QRect &rect, const QColor &accent)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, accent);
    gradient.setColorAt(1, accent.darker(135));
    painter.fillRect(rect, gradient);
    painter.drawTiledPixmap(rect, grainTexture());
    painter.restore();
}
