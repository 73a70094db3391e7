#include "ui/views/audiowaveview.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
const qreal penWidths[3] = { 2.2, 2.0, 1.8 };

// The largest whole number not above v; std::floor is a call into libm without SSE4.1.
inline int floorInt(qreal v)
{
    const int i = int(v);
    return i - (v < i);
}

// Each channel of a premultiplied pixel times a / 256.
inline QRgb scaled(QRgb pixel, uint a)
{
    const uint redBlue = ((pixel & 0xff00ff) * a >> 8) & 0xff00ff;
    const uint alphaGreen = ((pixel >> 8) & 0xff00ff) * a & 0xff00ff00;
    return alphaGreen | redBlue;
}
} // namespace

AudioWaveView::AudioWaveView(QWidget *parent)
    : QWidget(parent)
{
    m_timer.setInterval(16);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(44);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The backdrop stands in for the window behind it.
    setAttribute(Qt::WA_OpaquePaintEvent, parent != nullptr);
    connect(&m_timer, &QTimer::timeout, this, &AudioWaveView::animate);
    setColors(m_color1, m_color2, m_color3);
}

void AudioWaveView::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    updateTimer();
    if (active)
        return;
    m_model.silence();
    update();
}

void AudioWaveView::updateTimer()
{
    const bool was = m_timer.isActive();
    if (m_active && !m_hidden)
        m_timer.start();
    else
        m_timer.stop();
    if (m_timer.isActive() != was)
        emit animatingChanged(m_timer.isActive());
}

void AudioWaveView::showEvent(QShowEvent *event)
{
    m_hidden = false;
    updateTimer();
    QWidget::showEvent(event);
}

void AudioWaveView::hideEvent(QHideEvent *event)
{
    // Also sent when the window is minimised; nobody sees the waves then.
    m_hidden = true;
    updateTimer();
    QWidget::hideEvent(event);
}

void AudioWaveView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        setAttribute(Qt::WA_OpaquePaintEvent, parentWidget() != nullptr);
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::StyleChange
        || event->type() == QEvent::PaletteChange)
        m_backdrop.invalidate();
    QWidget::changeEvent(event);
}

void AudioWaveView::pushLevel(float l, float r)
{
    m_model.pushLevel(l, r);
}

void AudioWaveView::pushLevel(float l)
{
    m_model.pushLevel(l, -1.0f);
}

void AudioWaveView::setGain(float g)
{
    m_model.setGain(g);
}

void AudioWaveView::setColors(const QColor &c1, const QColor &c2, const QColor &c3)
{
    m_color1 = c1;
    m_color2 = c2;
    m_color3 = c3;
    update();
}

void AudioWaveView::setAutoGainEnabled(bool enabled)
{
    m_model.setAutoGainEnabled(enabled);
    update();
}

void AudioWaveView::setAutoGainRange(float minGain, float maxGain)
{
    m_model.setAutoGainRange(minGain, maxGain);
    update();
}

void AudioWaveView::setAutoGainSmoothing(float alpha)
{
    m_model.setAutoGainSmoothing(alpha);
}

void AudioWaveView::setLimiterStrength(float strength)
{
    m_model.setLimiterStrength(strength);
}

void AudioWaveView::animate()
{
    emit frameStarting();
    m_model.step();
    if (!m_active || !m_model.isVisible()) {
        repaint();
        return;
    }
    // Only the band the waves swept, this frame and the one before, is painted and sent to
    // the screen; the rest of the meter is the backdrop, unchanged. Where the platform allows,
    // the band goes straight to the window.
    const QRect changed = drawWaves(m_backdrop.of(this));
    if (changed.isEmpty() || m_sink.put(m_frame, changed.top(), changed.height()))
        return;
    m_frameReady = true;
    repaint(shownRows(changed));
    m_frameReady = false;
}

QRect AudioWaveView::shownRows(const QRect &rows) const
{
    if (rows.isEmpty())
        return QRect();
    // A row more each side: Qt rounds to device pixels its own way.
    const int top = int(std::floor(rows.top() / m_frameRatio)) - 1;
    const int bottom = int(std::ceil((rows.bottom() + 1) / m_frameRatio)) + 1;
    return QRect(0, top, width(), bottom - top) & rect();
}

void AudioWaveView::paintEvent(QPaintEvent *event)
{
    const QPixmap &backdrop = m_backdrop.of(this);
    const bool waves = m_active && m_model.isVisible();
    if (backdrop.isNull() && !waves)
        return;
    QPainter painter(this);
    if (!waves) {
        painter.drawPixmap(0, 0, backdrop);
        return;
    }
    if (!m_frameReady) {
        // Painted outside the tick (shown, exposed, resized): what changed beyond this paint is
        // painted next, so that no stale wave stays on the screen.
        const QRect changed = shownRows(drawWaves(backdrop));
        if (!event->rect().contains(changed))
            update(changed);
    }
    // The frame is in device pixels: drawn without the painter's scale it is a plain copy.
    // At a fractional ratio Qt would otherwise resample it, pixel by pixel, every frame.
    painter.scale(1 / m_frameRatio, 1 / m_frameRatio);
    painter.drawImage(0, 0, m_frame);
}

QRect AudioWaveView::drawWaves(const QPixmap &backdrop)
{
    qreal ratio = devicePixelRatioF();
    if (ratio <= 0)
        ratio = 1.0;
    m_frameRatio = ratio;
    const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
    // Over a backdrop the frame is opaque and is shown as a plain copy; without one (a meter
    // that is a window of its own) the waves are blended over what is there.
    if (!backdrop.isNull() && backdrop.cacheKey() != m_backdropKey) {
        m_backdropImage = backdrop.toImage().convertToFormat(QImage::Format_RGB32);
        m_backdropKey = backdrop.cacheKey();
    }
    const bool opaque = !backdrop.isNull() && m_backdropImage.size() == pixels;
    const QImage::Format format =
        opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    bool whole = !opaque || m_frameBackdropKey != m_backdropKey;
    if (m_frame.size() != pixels || m_frame.format() != format) {
        m_frame = QImage(pixels, format);
        whole = true;
    }
    const int bytesPerLine = int(m_frame.bytesPerLine());
    if (!opaque) {
        m_frame.fill(Qt::transparent);
    } else if (whole) {
        std::copy_n(m_backdropImage.constBits(), m_frame.sizeInBytes(), m_frame.bits());
    } else if (m_wavesBottom >= m_wavesTop) {
        const qsizetype from = qsizetype(m_wavesTop) * bytesPerLine;
        std::copy_n(m_backdropImage.constBits() + from,
            qsizetype(m_wavesBottom - m_wavesTop + 1) * bytesPerLine, m_frame.bits() + from);
    }
    m_frameBackdropKey = opaque ? m_backdropKey : 0;
    const int lastTop = m_wavesTop;
    const int lastBottom = m_wavesBottom;
    m_wavesTop = pixels.height();
    m_wavesBottom = -1;

    const QRectF area = AudioWaveModel::drawingArea(rect());
    const QRectF scaled(area.topLeft() * ratio, area.size() * ratio);
    const auto waves = m_model.waves();
    const QColor waveColors[3] = { m_color1, m_color2, m_color3 };
    for (int i = 0; i < 3; ++i) {
        m_model.wavePoints(scaled, waves[size_t(i)].amplitude, waves[size_t(i)].phase, m_points);
        blendWave(m_points, penWidths[i] * ratio, waveColors[i]);
    }
    if (whole)
        return QRect(QPoint(), pixels);
    const int top = std::min(lastTop, m_wavesTop);
    const int bottom = std::max(lastBottom, m_wavesBottom);
    return bottom < top ? QRect() : QRect(0, top, pixels.width(), bottom - top + 1);
}

// Strokes the polyline with round ends, antialiased, straight into the frame. The waves run
// from left to right, so a pixel column meets a stroke in one run whose height is the pen width
// over the cosine of the slope, and a pixel's coverage is how much of that run lies within it;
// where the wave is steep, a few runs across the column are averaged. Far cheaper than Qt's
// general path stroker and rasterizer, and within a few levels of them.
void AudioWaveView::blendWave(const QPolygonF &points, qreal penWidth, const QColor &color)
{
    if (points.size() < 2 || color.alpha() == 0)
        return;
    const qreal half = penWidth / 2;
    const int columns = m_frame.width();
    const int rows = m_frame.height();
    const QRgb premultiplied = qPremultiply(color.rgba());
    const uint wholeKeeps = 256 - qAlpha(premultiplied);
    auto *bits = reinterpret_cast<QRgb *>(m_frame.bits());
    const int stride = m_frame.bytesPerLine() / int(sizeof(QRgb));
    m_coverage.assign(size_t(rows), 0.0f);
    float *coverage = m_coverage.data();
    // Each segment's slope and half run height, worked out once rather than per column.
    const int segments = int(points.size()) - 1;
    m_segments.resize(size_t(segments));
    for (int i = 0; i < segments; ++i) {
        const qreal width = points[i + 1].x() - points[i].x();
        const qreal slope = width > 0 ? (points[i + 1].y() - points[i].y()) / width : 0.0;
        m_segments[size_t(i)] = { slope, half * std::sqrt(1 + slope * slope) };
    }
    const QPointF first = points.first();
    const QPointF last = points.last();
    int segment = 0;
    // The centre and half height of the run at x, and the slope there; false where it misses.
    const auto run = [&](qreal x, qreal &y, qreal &reach, qreal &slope) {
        slope = 0;
        if (x < first.x() || x > last.x()) {
            // A round end: a half disc around the end point.
            const QPointF &end = x < first.x() ? first : last;
            const qreal dx = x - end.x();
            if (std::abs(dx) >= half)
                return false;
            y = end.y();
            reach = std::sqrt(half * half - dx * dx);
            return true;
        }
        while (segment + 1 < segments && points[segment + 1].x() < x)
            ++segment;
        const QPointF &a = points[segment];
        slope = m_segments[size_t(segment)].slope;
        reach = m_segments[size_t(segment)].reach;
        y = a.y() + slope * (x - a.x());
        return true;
    };
    const int from = std::max(0, int(std::floor(first.x() - half)));
    const int to = std::min(columns - 1, int(std::ceil(last.x() + half)));
    for (int x = from; x <= to; ++x) {
        qreal y;
        qreal reach;
        qreal slope;
        const int mark = segment;
        if (!run(x + 0.5, y, reach, slope))
            continue;
        // One run per unit of slope, at most four (std::ceil would be a call into libm).
        const qreal steep = std::abs(slope);
        const int samples = steep <= 1 ? 1 : steep <= 2 ? 2 : steep <= 3 ? 3 : 4;
        if (samples > 1)
            segment = mark;
        const float weight = 1.0f / float(samples);
        int lowest = rows;
        int highest = -1;
        for (int k = 0; k < samples; ++k) {
            if (samples > 1 && !run(x + (k + 0.5) / samples, y, reach, slope))
                continue;
            const qreal top = y - reach;
            const qreal bottom = y + reach;
            const int firstRow = std::max(0, floorInt(top));
            const int lastRow = std::min(rows - 1, floorInt(bottom));
            if (firstRow > lastRow)
                continue;
            // Only the run's end rows are partly covered; the rows between are wholly inside.
            if (firstRow == lastRow) {
                coverage[firstRow] +=
                    float(std::min<qreal>(firstRow + 1, bottom) - std::max<qreal>(firstRow, top))
                    * weight;
            } else {
                coverage[firstRow] += float(firstRow + 1 - std::max<qreal>(firstRow, top)) * weight;
                for (int row = firstRow + 1; row < lastRow; ++row)
                    coverage[row] += weight;
                coverage[lastRow] += float(std::min<qreal>(lastRow + 1, bottom) - lastRow) * weight;
            }
            lowest = std::min(lowest, firstRow);
            highest = std::max(highest, lastRow);
        }
        m_wavesTop = std::min(m_wavesTop, lowest);
        m_wavesBottom = std::max(m_wavesBottom, highest);
        for (int row = lowest; row <= highest; ++row) {
            const float cover = coverage[row];
            coverage[row] = 0.0f;
            if (cover <= 0)
                continue;
            // Source over, in premultiplied colour; most pixels of a run are wholly covered.
            QRgb &target = bits[row * stride + x];
            if (cover >= 1.0f) {
                target = premultiplied + scaled(target, wholeKeeps);
            } else {
                const QRgb source = scaled(premultiplied, uint(cover * 256));
                target = source + scaled(target, 256 - qAlpha(source));
            }
        }
    }
}
