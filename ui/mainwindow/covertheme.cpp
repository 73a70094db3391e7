#include "ui/mainwindow/covertheme.h"

#include <QtGlobal>
#include <cmath>

const QColor CoverTheme::placeholderAccent(0x3c, 0x78, 0xb0);
const QColor CoverTheme::darkText(0x1a, 0x1a, 0x1a);
const QColor CoverTheme::lightText(0xff, 0xff, 0xff);

namespace {
// Thresholds are compared with a little slack, so a colour sitting exactly on one is not pushed
// below it by rounding.
constexpr double slack = 1e-9;
constexpr double lightAccentLuminance = 0.4;
constexpr double darkTextLuminance = 0.45;

double luminanceOf(double r, double g, double b)
{
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}
} // namespace

double CoverTheme::luminance(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return luminanceOf(rgb.redF(), rgb.greenF(), rgb.blueF());
}

QColor CoverTheme::mix(const QColor &primary, const QColor &secondary)
{
    const QColor a = primary.toRgb();
    const QColor b = secondary.toRgb();
    const auto channel = [](double x, double y) { return qBound(0.0, 0.8 * x + 0.2 * y, 1.0); };
    return QColor::fromRgbF(channel(a.redF(), b.redF()), channel(a.greenF(), b.greenF()),
        channel(a.blueF(), b.blueF()), 1.0);
}

QColor CoverTheme::accentFor(const QColor &primary, const QColor &secondary, bool isDefaultCover)
{
    if (isDefaultCover)
        return placeholderAccent;
    const QColor mixed = mix(primary, secondary);
    if (luminance(mixed) < lightAccentLuminance - slack)
        return mixed;
    return paletteColorFor(mixed).lighter(120);
}

QColor CoverTheme::textColorFor(const QColor &accent)
{
    return luminance(accent) >= darkTextLuminance - slack ? darkText : lightText;
}

QString CoverTheme::playBarStyleSheet(const QColor &accent)
{
    const QColor groove = accent.lighter(103);
    const QColor played = groove.lighter(120);
    return QStringLiteral("QSlider#hsPlayProcessBar::groove:horizontal {  height:6px; "
                          "border-radius:3px; background:%1;}"
                          "QSlider#hsPlayProcessBar::sub-page:horizontal {  background:%2; "
                          "border-radius:3px;}"
                          "QSlider#hsPlayProcessBar::add-page:horizontal {  background:%1; "
                          "border-radius:3px;}"
                          "QSlider#hsPlayProcessBar::handle:horizontal {  background:#ffffff; "
                          "width:12px; height:12px; margin:-4px 0; border-radius:6px;}")
        .arg(groove.name(), played.name());
}

QString CoverTheme::playSliderStyleSheet()
{
    return QStringLiteral("QSlider#hsPlayProcessSlider::handle:horizontal {  background:#ffffff; "
                          "width:12px; height:12px; margin:-4px 0; border-radius:6px;}");
}

const QVector<QColor> &CoverTheme::palette()
{
    static const QVector<QColor> colors {
        QColor(0x33, 0x66, 0x96),
        QColor(0x40, 0xa7, 0x78),
        QColor(0x40, 0xa7, 0x78),
        QColor(0x31, 0x6a, 0xa5),
        QColor(0x74, 0x3d, 0x8b),
        QColor(0x49, 0xa0, 0x82),
        QColor(0x4f, 0x3a, 0x7a),
        QColor(0x54, 0x44, 0x52),
    };
    return colors;
}

QColor paletteColorFor(const QColor &color)
{
    const QVector<QColor> &colors = CoverTheme::palette();
    const QColor hsv = color.toHsv();
    if (hsv.hsvSaturationF() < 0.15)
        return colors.first();
    const double hue = std::max(0.0, double(hsv.hsvHueF()));
    double best = 360.0;
    int bestIndex = 0;
    for (int i = 1; i < colors.size(); ++i) {
        double distance = std::abs(hue - double(colors[i].toHsv().hsvHueF()));
        if (distance > 0.5)
            distance = 1.0 - distance;
        if (distance < best) {
            best = distance;
            bestIndex = i;
        }
    }
    return colors[bestIndex];
}
