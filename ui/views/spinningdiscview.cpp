#include "ui/views/spinningdiscview.h"

#include "ui/views/covercolors.h"
#include "ui/views/discgeometry.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>

namespace {
constexpr int kTickMs = 16;

// Draws a picture made in device pixels one to one. At a fractional pixel ratio Qt would
// otherwise resample it, smoothly with these render hints, every frame.
void drawDevicePixels(QPainter &painter, const QPointF &at, const QPixmap &pixmap)
{
    const qreal ratio = pixmap.devicePixelRatio();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.scale(1 / ratio, 1 / ratio);
    painter.drawPixmap(QRectF(at * ratio, QSizeF(pixmap.size())), pixmap, QRectF(pixmap.rect()));
    painter.restore();
}
} // namespace

SpinningDiscView::SpinningDiscView(QWidget *parent)
    : QWidget(parent)
{
    m_timer.setInterval(kTickMs);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(280, 280);
    // The background pixmap holds what the page paints behind the view.
    setAttribute(Qt::WA_OpaquePaintEvent, parent != nullptr);
    connect(&m_timer, &QTimer::timeout, this, &SpinningDiscView::animate);
}

SpinningDiscView::~SpinningDiscView() = default;

void SpinningDiscView::setCover(const QPixmap &cover, bool isDefault)
{
    m_cover = cover;
    m_labelCache = QPixmap();
    m_labelCacheSize = QSize();
    m_labelCacheRatio = 1.0;
    m_isDefaultCover = isDefault;
    if (!cover.isNull()) {
        const QImage image = cover.toImage();
        m_primaryColor = dominantCoverColor(image);
        m_secondaryColor = averageCoverColor(image);
    }
    m_backgroundValid = false; // the empty label is part of the background
    update();
}

void SpinningDiscView::setRingColor(const QColor &color)
{
    m_ringColor = color;
    m_backgroundValid = false;
    update();
}

void SpinningDiscView::startSpin()
{
    m_motion.start();
    m_timer.setInterval(kTickMs);
    resumeTimer();
}

void SpinningDiscView::stopSpin()
{
    m_motion.stop();
    // Keeps running until the arm is back.
    m_timer.setInterval(kTickMs);
    resumeTimer();
}

void SpinningDiscView::backdropChanged()
{
    m_backdrop.invalidate();
    update();
}

void SpinningDiscView::resumeTimer()
{
    if (!m_hidden && !m_timer.isActive())
        m_timer.start();
}

void SpinningDiscView::showEvent(QShowEvent *event)
{
    m_hidden = false;
    if (m_motion.isMoving())
        resumeTimer();
    QWidget::showEvent(event);
}

void SpinningDiscView::hideEvent(QHideEvent *event)
{
    // Also sent when the window is minimised. The motion goes on from here when shown again.
    m_hidden = true;
    m_timer.stop();
    QWidget::hideEvent(event);
}

void SpinningDiscView::animate()
{
    const float armBefore = m_motion.armAngle();
    // While only the label turns, two ticks are taken every 32 ms: the same motion with half the
    // wake-ups, and the label is repainted as often (each eighth of a pixel) as before.
    const int ticks = m_timer.interval() == 2 * kTickMs ? 2 : 1;
    bool moving = true;
    for (int i = 0; i < ticks && moving; ++i)
        moving = m_motion.tick();
    if (!moving) {
        m_timer.stop();
        m_timer.setInterval(kTickMs);
    } else {
        const int interval = m_motion.isCruising() ? 2 * kTickMs : kTickMs;
        if (m_timer.interval() != interval)
            m_timer.setInterval(interval);
    }
    if (std::abs(m_motion.armAngle() - armBefore) > 1e-4f) {
        update();
        return;
    }
    // Only the label turns, a sixteenth of a pixel per tick at its rim: its square is repainted
    // once the rim has moved an eighth of a pixel since the last picture.
    const DiscGeometry geometry(size());
    const qreal rimPixels = geometry.labelDiameter() / 2.0 * devicePixelRatioF();
    const qreal turned =
        std::abs(std::remainder(m_motion.labelAngle() - m_paintedLabelAngle, 360.0));
    if (turned * M_PI / 180.0 * rimPixels >= 0.125)
        update(geometry.label().toAlignedRect().adjusted(-2, -2, 2, 2));
}

void SpinningDiscView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        setAttribute(Qt::WA_OpaquePaintEvent, parentWidget() != nullptr);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange
        || event->type() == QEvent::ParentChange) {
        m_backgroundValid = false;
        m_backdrop.invalidate();
    }
    QWidget::changeEvent(event);
}

void SpinningDiscView::ensureBackground(const DiscGeometry &geometry, qreal ratio)
{
    const QSize pixelSize(qMax(1, qRound(width() * ratio)), qMax(1, qRound(height() * ratio)));
    const QPixmap &backdrop = m_backdrop.of(this);
    if (m_backgroundValid && m_background.size() == pixelSize
        && qAbs(m_background.devicePixelRatio() - ratio) <= 0.001
        && m_backdropKey == backdrop.cacheKey())
        return;
    m_background = QPixmap(pixelSize);
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(Qt::transparent);
    m_backgroundValid = true;
    m_backdropKey = backdrop.cacheKey();

    QPainter p(&m_background);
    if (!backdrop.isNull())
        p.drawPixmap(0, 0, backdrop);
    p.setRenderHints(
        QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    const QRectF d = geometry.disc();
    const QPointF c = geometry.centre();
    const qreal r = geometry.radius();
    if (r <= 0)
        return;

    // Record.
    QRadialGradient record(c, r);
    record.setColorAt(0, QColor(30, 30, 30));
    record.setColorAt(0.6, QColor(10, 10, 10));
    record.setColorAt(1, QColor(0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(record);
    p.drawEllipse(d);
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(d);

    // Edge glow just outside the record.
    const qreal grow = 0.05 * r;
    QPainterPath glowRing;
    glowRing.setFillRule(Qt::OddEvenFill);
    glowRing.addEllipse(d.adjusted(-grow, -grow, grow, grow));
    glowRing.addEllipse(d);
    QRadialGradient glow(c, r);
    QColor glowColor = palette().color(QPalette::Window).lighter(106);
    glowColor.setAlpha(18);
    glow.setColorAt(0.8, QColor(0, 0, 0, 0));
    glow.setColorAt(1, glowColor);
    glow.setSpread(QGradient::PadSpread);
    p.setPen(Qt::NoPen);
    p.fillPath(glowRing, glow);

    // Rim.
    const qreal t = geometry.rim();
    QPainterPath rimRing;
    rimRing.setFillRule(Qt::OddEvenFill);
    rimRing.addEllipse(d);
    rimRing.addEllipse(d.adjusted(t, t, -t, -t));
    QRadialGradient rim(c, r);
    rim.setColorAt(0.88, QColor(25, 25, 25, 0));
    rim.setColorAt(0.94, QColor(70, 70, 70, 110));
    rim.setColorAt(0.98, QColor(10, 10, 10, 200));
    rim.setColorAt(1, QColor(0, 0, 0, 255));
    p.fillPath(rimRing, rim);

    // Sheen.
    QPen sheen(QColor(255, 255, 255, 18), 0.008 * r, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(sheen);
    p.setBrush(Qt::NoBrush);
    const qreal inset = 1.4 * t;
    p.drawArc(d.adjusted(inset, inset, -inset, -inset), 40 * 16, 95 * 16);

    // Grooves.
    QPen groove(m_ringColor, 0.8, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    const auto grooves = geometry.grooves();
    for (const DiscGeometry::Groove &g : grooves) {
        QColor color = m_ringColor;
        color.setAlpha(qBound(0, g.alpha, 255));
        groove.setColor(color);
        p.setPen(groove);
        p.drawEllipse(c, g.radius, g.radius);
    }

    // Without a cover the label is a plain grey disc that never changes.
    if (m_cover.isNull()) {
        const QRectF label = geometry.label();
        QRadialGradient plain(label.center(), label.width() / 2.0);
        plain.setColorAt(0, QColor(70, 70, 70));
        plain.setColorAt(1, QColor(30, 30, 30));
        p.setPen(Qt::NoPen);
        p.setBrush(plain);
        p.drawEllipse(label);
    }
}

void SpinningDiscView::ensureLabel(const DiscGeometry &geometry, qreal ratio)
{
    const qreal l = geometry.labelDiameter();
    const qreal zoom = m_isDefaultCover ? 1.0 : 1.26;
    const int logical = qRound(l * zoom);
    const QSize coverSize(logical, logical);
    if (!m_labelCache.isNull() && m_labelCacheSize == coverSize
        && qAbs(m_labelCacheRatio - ratio) <= 0.001)
        return;
    m_labelCacheSize = coverSize;
    m_labelCacheRatio = ratio;

    const int coverPixels = qMax(1, qRound(logical * ratio));
    const QImage scaled =
        m_cover.toImage()
            .convertToFormat(QImage::Format_ARGB32_Premultiplied)
            .scaled(coverPixels, coverPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // The label is cut round here once, so that a frame only rotates a ready pixmap instead of
    // clipping every time. What lies outside the circle is never shown.
    const int labelPixels = qMax(1, qRound(l * ratio));
    QImage round(labelPixels, labelPixels, QImage::Format_ARGB32_Premultiplied);
    round.fill(Qt::transparent);
    {
        QPainter p(&round);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        QBrush brush(scaled);
        brush.setTransform(QTransform::fromTranslate(
            (labelPixels - scaled.width()) / 2.0, (labelPixels - scaled.height()) / 2.0));
        p.setPen(Qt::NoPen);
        p.setBrush(brush);
        p.drawEllipse(QRectF(0, 0, labelPixels, labelPixels));
    }
    m_labelCache = QPixmap::fromImage(round);
    m_labelCache.setDevicePixelRatio(ratio);
}

void SpinningDiscView::paintArm(QPainter &painter, const DiscGeometry &geometry, qreal ratio)
{
    const float angle = m_motion.armAngle();
    if (std::abs(angle - m_motion.armTarget()) >= 0.01f) {
        // Swinging: drawn as it is, every frame differs.
        m_arm = QPixmap();
        drawArm(painter, geometry);
        return;
    }
    if (m_arm.isNull() || m_armAngle != angle || m_armSize != size()
        || qAbs(m_arm.devicePixelRatio() - ratio) > 0.001) {
        // The convex hull of the arm's points holds the curve; the margin holds the pen, the
        // pivot and the head.
        const DiscGeometry::Arm arm = geometry.arm(angle);
        const QRectF bounds =
            QPolygonF({ arm.pivot, arm.straightEnd, arm.elbow, arm.head }).boundingRect();
        const qreal margin = 0.04 * geometry.disc().width() + 2;
        const QRect area = bounds.adjusted(-margin, -margin, margin, margin).toAlignedRect();
        m_arm =
            QPixmap(qMax(1, qRound(area.width() * ratio)), qMax(1, qRound(area.height() * ratio)));
        m_arm.setDevicePixelRatio(ratio);
        m_arm.fill(Qt::transparent);
        QPainter p(&m_arm);
        p.setRenderHints(
            QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
        p.translate(-area.topLeft());
        drawArm(p, geometry);
        m_armOrigin = area.topLeft();
        m_armAngle = angle;
        m_armSize = size();
    }
    drawDevicePixels(painter, m_armOrigin, m_arm);
}

void SpinningDiscView::drawArm(QPainter &painter, const DiscGeometry &geometry) const
{
    const DiscGeometry::Arm arm = geometry.arm(m_motion.armAngle());
    const qreal w = arm.width;

    QPainterPath path(arm.pivot);
    path.lineTo(arm.straightEnd);
    path.quadTo(arm.elbow, arm.head);
    QLinearGradient metal(arm.pivot, arm.head);
    metal.setColorAt(0, QColor(235, 235, 235));
    metal.setColorAt(0.5, QColor(210, 210, 210));
    metal.setColorAt(1, QColor(185, 185, 185));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(metal), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);

    QRadialGradient pivot(arm.pivot, 1.2 * w);
    pivot.setColorAt(0, QColor(245, 245, 245));
    pivot.setColorAt(0.6, QColor(200, 200, 200));
    pivot.setColorAt(1, QColor(120, 120, 120));
    painter.setPen(Qt::NoPen);
    painter.setBrush(pivot);
    painter.drawEllipse(arm.pivot, 0.95 * w, 0.95 * w);
    painter.setBrush(QColor(210, 210, 210));
    painter.drawEllipse(arm.pivot, 0.45 * w, 0.45 * w);

    painter.save();
    painter.translate(arm.head);
    painter.rotate(m_motion.armAngle() + 25.0);
    const QRectF head = geometry.headRect();
    QLinearGradient shell(head.bottomRight(), head.topLeft());
    shell.setColorAt(0, QColor(235, 235, 235));
    shell.setColorAt(0.5, QColor(210, 210, 210));
    shell.setColorAt(1, QColor(170, 170, 170));
    painter.setBrush(shell);
    const qreal corner = 0.4 * head.height();
    painter.drawRoundedRect(head, corner, corner);
    painter.restore();
}

void SpinningDiscView::paintEvent(QPaintEvent *)
{
    const DiscGeometry geometry(size());
    if (geometry.radius() <= 0)
        return;
    qreal ratio = devicePixelRatioF();
    if (ratio <= 0)
        ratio = 1.0;
    ensureBackground(geometry, ratio);

    QPainter painter(this);
    painter.setRenderHints(
        QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    drawDevicePixels(painter, QPointF(0, 0), m_background);

    if (!m_cover.isNull()) {
        ensureLabel(geometry, ratio);
        const qreal l = geometry.labelDiameter();
        painter.save();
        painter.translate(geometry.centre());
        painter.rotate(m_motion.labelAngle());
        m_paintedLabelAngle = m_motion.labelAngle();
        painter.drawPixmap(QRectF(-l / 2.0, -l / 2.0, l, l), m_labelCache,
            QRectF(QPointF(0, 0), m_labelCache.size()));
        painter.restore();
    }
    paintArm(painter, geometry, ratio);
}
