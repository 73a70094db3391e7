#include "ui/views/audiowaveview.h"

#include <QPainter>

AudioWaveView::AudioWaveView(QWidget *parent)
    : QWidget(parent)
{
    m_timer.setInterval(16);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(44);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&m_timer, &QTimer::timeout, this, &AudioWaveView::animate);
}

void AudioWaveView::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    if (active) {
        m_timer.start();
        return;
    }
    m_timer.stop();
    m_model.silence();
    update();
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
    m_model.step();
    update();
}

void AudioWaveView::paintEvent(QPaintEvent *)
{
    if (!m_active || !m_model.isVisible())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QRectF area = AudioWaveModel::drawingArea(rect());
    const auto waves = m_model.waves();
    const QColor pens[3] = { m_color1, m_color2, m_color3 };
    const qreal widths[3] = { 2.2, 2.0, 1.8 };
    for (int i = 0; i < 3; ++i) {
        painter.setPen(QPen(pens[i], widths[i], Qt::SolidLine, Qt::RoundCap));
        painter.drawPolyline(
            m_model.wavePoints(area, waves[size_t(i)].amplitude, waves[size_t(i)].phase));
    }
}
