#include "ui/views/audiowavemodel.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>

void AudioWaveModel::pushLevel(float l, float r)
{
    const float value = r >= 0.0f ? (l + r) / 2.0f : l;
    m_target = qBound(0.0f, value, 1.0f);
}

void AudioWaveModel::setGain(float g)
{
    m_gain = qBound(0.2f, g, 4.0f);
}

void AudioWaveModel::setAutoGainRange(float minGain, float maxGain)
{
    m_minGain = std::max(0.3f, minGain);
    if (m_minGain > maxGain)
        maxGain = m_minGain + 0.1f;
    m_maxGain = std::min(5.0f, maxGain);
}

void AudioWaveModel::setAutoGainSmoothing(float alpha)
{
    m_smoothing = qBound(0.01f, alpha, 0.5f);
}

void AudioWaveModel::setLimiterStrength(float strength)
{
    m_limiterStrength = qBound(0.0f, strength, 2.0f);
}

void AudioWaveModel::step()
{
    m_phase1 += 0.035f;
    m_phase2 += 0.027f;
    m_phase3 += 0.019f;
    m_level = m_level * 0.85f + m_target * 0.15f;
    m_envelope = m_envelope * 0.9f + m_level * 0.1f;
    if (m_autoGainEnabled) {
        // Quiet passages (small envelope) drive the gain up, loud ones down.
        const float desired =
            m_minGain + (m_maxGain - m_minGain) * float(std::pow(1.0 - double(m_envelope), 0.7));
        m_autoGain = desired * m_smoothing + m_autoGain * (1.0f - m_smoothing);
    } else {
        m_autoGain = 1.0f;
    }
}

std::array<AudioWaveModel::Wave, 3> AudioWaveModel::waves() const
{
    const float amp = std::max(0.08f, m_level * 0.9f);
    const float g = m_autoGainEnabled ? m_autoGain : 1.0f;
    return { Wave { amp * g, m_phase1 }, Wave { amp * 0.75f * g, m_phase2 },
        Wave { amp * 0.55f * g, m_phase3 } };
}

int AudioWaveModel::segmentCount(qreal width)
{
    // 1.25 periods in 40 chords stray less than a tenth of a pixel from the sine at full height,
    // however wide the meter: more would only cost time.
    return std::min(std::max(32, int(width / 5)), 40);
}

QPolygonF AudioWaveModel::wavePoints(const QRectF &area, float amplitude, float phase) const
{
    QPolygonF points;
    wavePoints(area, amplitude, phase, points);
    return points;
}

void AudioWaveModel::wavePoints(
    const QRectF &area, float amplitude, float phase, QPolygonF &points) const
{
    const qreal left = area.left();
    const qreal width = area.width();
    const qreal height = area.height();
    const qreal centreY = area.center().y();
    const qreal half = width / 2.0;
    const int steps = segmentCount(width);
    points.resize(0);
    points.reserve(steps + 1);
    for (int i = 0; i <= steps; ++i) {
        const qreal d = (qreal(i) / steps) * width;
        // Pinned to the centre line at both ends, largest in the middle.
        const qreal window = half > 0 ? 1.0 - std::abs((d - half) / half) : 0.0;
        const qreal a = qreal(m_gain) * amplitude * 0.5 * window;
        const qreal limited = a / (1.0 + qreal(m_limiterStrength) * std::abs(a));
        const qreal wavePhase = width > 0 ? d * (2.0 * M_PI / width) * 1.25 : 0.0;
        points.append(QPointF(left + d, centreY + std::sin(phase + wavePhase) * limited * height));
    }
}
