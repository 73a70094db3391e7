#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QVector>

// Where the parts of the spinning disc go in a widget of a given size. Everything scales with
// the smaller side of the widget; in a flat widget the record sits low enough for the parked
// arm to fit above it.
class DiscGeometry
{
public:
    struct Groove
    {
        qreal radius;
        int alpha;
    };
    struct Arm
    {
        QPointF pivot;
        QPointF straightEnd; // end of the straight part, where the curve starts
        QPointF elbow; // control point of the curve
        QPointF head;
        qreal width;
    };

    explicit DiscGeometry(const QSizeF &widgetSize);

    QRectF disc() const { return m_disc; }
    QPointF centre() const { return m_disc.center(); }
    qreal radius() const { return m_disc.width() / 2.0; }
    // Thickness of the rim ring, 1 to 2 pixels.
    qreal rim() const;
    qreal labelDiameter() const { return 0.62 * m_disc.width(); }
    QRectF label() const;
    QVector<Groove> grooves() const;
    Arm arm(qreal angleDegrees) const;
    // The head's rectangle in its own rotated frame, centred on the head point.
    QRectF headRect() const;

    // Room the parked arm needs above the record: the pivot's distance plus the arm's rise (as a
    // share of the record's width, pen and pivot included); and a little room below for the glow.
    static constexpr qreal armClearance = 20.0;
    static constexpr qreal armReach = 0.145;
    static constexpr qreal bottomRoom = 0.03;

private:
    QRectF m_disc;
};
