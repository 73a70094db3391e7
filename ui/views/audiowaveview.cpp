#include "ui/views/audiowaveview.h"

#include <QEvent>
#include <QPainter>

namespace {
const qreal penWidths[3] = { 2.2, 2.0, 1.8 };
// Swaps x and y: a wave drawn along the rows of an image would give the rasterizer hundreds of
// cells per row to sort where the wave runs flat; drawn down the columns it gives a few.
const QTransform transposed(0, 1, 1, 0, 0, 0);
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
    const QColor waveColors[3] = { c1, c2, c3 };
    for (int i = 0; i < 3; ++i)
        m_pens[i] = QPen(waveColors[i], penWidths[i], Qt::SolidLine, Qt::RoundCap);
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
    m_model.step();
    update();
}

void AudioWaveView::paintEvent(QPaintEvent *)
{
    const QPixmap &backdrop = m_backdrop.of(this);
    const bool waves = m_active && m_model.isVisible();
    if (backdrop.isNull() && !waves)
        return;
    QPainter painter(this);
    if (!backdrop.isNull())
        painter.drawPixmap(0, 0, backdrop);
    if (!waves)
        return;
    drawWaves();
    painter.drawImage(0, 0, m_frame);
}

void AudioWaveView::drawWaves()
{
    qreal ratio = devicePixelRatioF();
    if (ratio <= 0)
        ratio = 1.0;
    const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
    if (m_frame.size() != pixels) {
        m_layer = QImage(pixels.transposed(), QImage::Format_ARGB32_Premultiplied);
        m_layer.setDevicePixelRatio(ratio);
        m_frame = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_frame.setDevicePixelRatio(ratio);
    }
    m_layer.fill(Qt::transparent);
    {
        QPainter painter(&m_layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        painter.setTransform(transposed);
        const QRectF area = AudioWaveModel::drawingArea(rect());
        const auto waves = m_model.waves();
        for (int i = 0; i < 3; ++i) {
            painter.setPen(m_pens[i]);
            m_model.wavePoints(area, waves[size_t(i)].amplitude, waves[size_t(i)].phase, m_points);
            painter.drawPolyline(m_points);
        }
    }
    // Back to the widget's orientation; a plain loop is far cheaper than a transformed blit.
    const int columns = m_frame.width();
    const int rows = m_frame.height();
    const auto *source = reinterpret_cast<const QRgb *>(m_layer.constBits());
    const int sourceStride = m_layer.bytesPerLine() / int(sizeof(QRgb));
    for (int y = 0; y < rows; ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_frame.scanLine(y));
        for (int x = 0; x < columns; ++x)
            line[x] = source[x * sourceStride + y];
    }
}
