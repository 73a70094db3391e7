#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// The colours of the playing page, derived from the two cover colours the disc computes: an
// accent (kept dark enough for white text, or replaced by a fixed palette colour when light),
// a text colour readable on it, and the progress bar's style.
class CoverTheme
{
public:
    // Relative luminance of a colour, 0..1.
    static double luminance(const QColor &color);
    // 0.8 of the primary and 0.2 of the secondary colour, per channel.
    static QColor mix(const QColor &primary, const QColor &secondary);
    static QColor accentFor(const QColor &primary, const QColor &secondary, bool isDefaultCover);
    static QColor textColorFor(const QColor &accent);

    static QString playBarStyleSheet(const QColor &accent);
    static QString playSliderStyleSheet();

    // The eight fixed colours that stand in for light cover colours.
    static const QVector<QColor> &palette();

    static const QColor placeholderAccent;
    static const QColor darkText;
    static const QColor lightText;
};

// The palette colour nearest in hue to color (the first entry for greyish colours).
QColor paletteColorFor(const QColor &color);
