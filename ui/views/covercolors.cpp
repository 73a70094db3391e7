#include "ui/views/covercolors.h"

#include <QImage>
#include <algorithm>
#include <array>

namespace {
const QColor fallbackColor(60, 60, 60);
constexpr int sampleSide = 48;

QImage sampleOf(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32)
        .scaled(sampleSide, sampleSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// HSV value and saturation of one pixel, both 0..1.
void valueAndSaturation(QRgb pixel, double *value, double *saturation)
{
    const int hi = std::max({ qRed(pixel), qGreen(pixel), qBlue(pixel) });
    const int lo = std::min({ qRed(pixel), qGreen(pixel), qBlue(pixel) });
    *value = hi / 255.0;
    *saturation = hi > 0 ? double(hi - lo) / hi : 0.0;
}

struct Sum
{
    double r = 0, g = 0, b = 0, weight = 0;
    void add(QRgb pixel, double w)
    {
        r += qRed(pixel) * w;
        g += qGreen(pixel) * w;
        b += qBlue(pixel) * w;
        weight += w;
    }
    QColor mean() const
    {
        if (weight <= 0)
            return fallbackColor;
        // Truncated; the tiny bias keeps a uniform cover's own value from summing to just under.
        const auto channel = [this](
                                 double sum) { return qBound(0, int(sum / weight + 1e-6), 255); };
        return QColor(channel(r), channel(g), channel(b), 255);
    }
};
} // namespace

QColor dominantCoverColor(const QImage &image)
{
    if (image.isNull())
        return fallbackColor;
    const QImage sample = sampleOf(image);
    std::array<Sum, 512> bins {};
    for (int y = 0; y < sample.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(sample.constScanLine(y));
        for (int x = 0; x < sample.width(); ++x) {
            const QRgb pixel = line[x];
            double value = 0;
            double saturation = 0;
            valueAndSaturation(pixel, &value, &saturation);
            if (qAlpha(pixel) < 32 || value < 0.08)
                continue;
            const int bin = (qRed(pixel) / 32) * 64 + (qGreen(pixel) / 32) * 8 + qBlue(pixel) / 32;
            bins[size_t(bin)].add(pixel, 0.6 + 0.4 * saturation);
        }
    }
    // The first of equally heavy bins wins.
    const auto best = std::max_element(
        bins.begin(), bins.end(), [](const Sum &a, const Sum &b) { return a.weight < b.weight; });
    return best->mean();
}

QColor averageCoverColor(const QImage &image)
{
    if (image.isNull())
        return fallbackColor;
    const QImage sample = sampleOf(image);
    Sum sum;
    for (int y = 0; y < sample.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(sample.constScanLine(y));
        for (int x = 0; x < sample.width(); ++x) {
            const QRgb pixel = line[x];
            double value = 0;
            double saturation = 0;
            valueAndSaturation(pixel, &value, &saturation);
            if (qAlpha(pixel) <= 31 || value < 0.08)
                continue;
            sum.add(pixel, 0.5 + 0.5 * saturation);
        }
    }
    return sum.mean();
}
