#include "ui/views/discgeometry.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

DiscGeometry::DiscGeometry(const QSizeF &widgetSize)
{
    const qreal width = widgetSize.width();
    const qreal height = widgetSize.height();
    const qreal side = std::min(width, height);
    const qreal margin = 0.08 * side;
    qreal discSide = std::max<qreal>(0.0, side - 2.0 * margin);
    qreal top = (height - discSide) / 2.0;
    // The parked arm rises above its pivot, which sits above the record. In a flat widget the
    // centred record leaves it no room and the arm would be cut off at the top edge: the record
    // then moves down (and shrinks if it must) to make room.
    const qreal needed = armClearance + armReach * discSide;
    if (discSide > 0 && top < needed) {
        discSide = std::max<qreal>(
            0.0, std::min(discSide, (height - armClearance) / (1.0 + armReach + bottomRoom)));
        top = std::max((height - discSide) / 2.0, armClearance + armReach * discSide);
    }
    m_disc = QRectF((width - discSide) / 2.0, top, discSide, discSide);
}

qreal DiscGeometry::rim() const
{
    return qBound<qreal>(1.0, 0.004 * radius(), 2.0);
}

QRectF DiscGeometry::label() const
{
    const qreal l = labelDiameter();
    return QRectF(centre().x() - l / 2.0, centre().y() - l / 2.0, l, l);
}

QVector<DiscGeometry::Groove> DiscGeometry::grooves() const
{
    QVector<Groove> result;
    const qreal r = radius();
    const qreal stepSize = 0.006 * r;
    if (stepSize <= 0)
        return result;
    const qreal r0 = labelDiameter() / 2.0 + 0.02 * r;
    const qreal r1 = r - 0.55 * rim();
    const int rings = int(std::ceil((r1 - r0) / stepSize));
    for (int i = 0; i < rings; ++i) {
        const qreal ring = r0 + i * stepSize;
        const qreal u = (ring - r0) / (r1 - r0);
        result.append({ ring, int(70 + 30 * std::sin(120 * u)) });
    }
    return result;
}

DiscGeometry::Arm DiscGeometry::arm(qreal angleDegrees) const
{
    const qreal d = m_disc.width();
    const qreal length = 0.42 * d;
    const qreal a = qDegreesToRadians(angleDegrees);
    const qreal headAngle = qDegreesToRadians(angleDegrees + 25.0);
    Arm arm;
    arm.pivot = QPointF(centre().x(), m_disc.top() - 20.0);
    const QPointF along(std::cos(a), std::sin(a));
    arm.straightEnd = arm.pivot + 0.58 * length * along;
    arm.elbow = arm.pivot + 0.62 * length * along;
    arm.head = arm.elbow + 0.38 * length * QPointF(std::cos(headAngle), std::sin(headAngle));
    arm.width = 0.018 * d;
    return arm;
}

QRectF DiscGeometry::headRect() const
{
    const qreal d = m_disc.width();
    return QRectF(-0.018 * d, -0.01 * d, 0.036 * d, 0.02 * d);
}
