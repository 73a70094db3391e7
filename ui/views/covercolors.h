#pragma once

#include <QColor>

class QImage;

// The two colours the playing page's theme is built from, both taken from a 48 x 48 copy of the
// cover. Transparent and near-black pixels do not count; with nothing left, both are 60, 60, 60.

// The weighted mean of the most heavily weighted colour cube (8 levels per channel); saturated
// pixels weigh more.
QColor dominantCoverColor(const QImage &image);

// The weighted mean of all counted pixels.
QColor averageCoverColor(const QImage &image);
