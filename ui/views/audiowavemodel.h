#pragma once

#include <QPolygonF>
#include <QRectF>
#include <array>

// The numbers behind the level meter: smoothing of the pushed level, the slow envelope and the
// automatic gain it drives, the wave phases and the shape of one wave. No painting here.
class AudioWaveModel
{
public:
    struct Wave
    {
        float amplitude;
        float phase;
    };

    // Below this smoothed level nothing is drawn.
    static constexpr float visibleLevel = 0.001f;

    // r < 0 means a single channel.
    void pushLevel(float l, float r = -1.0f);
    void setGain(float g);
    void setAutoGainEnabled(bool enabled) { m_autoGainEnabled = enabled; }
    void setAutoGainRange(float minGain, float maxGain);
    void setAutoGainSmoothing(float alpha);
    void setLimiterStrength(float strength);

    // One animation step (16 ms).
    void step();
    // Switching the meter off forgets the level but keeps the envelope and the auto gain.
    void silence() { m_level = m_target = 0.0f; }

    bool isVisible() const { return m_level >= visibleLevel; }
    // The three waves of this frame, back to front.
    std::array<Wave, 3> waves() const;
    // The points of one wave across area; a soft limiter keeps loud waves inside it.
    QPolygonF wavePoints(const QRectF &area, float amplitude, float phase) const;
    // The same into points, reusing its memory.
    void wavePoints(const QRectF &area, float amplitude, float phase, QPolygonF &points) const;

    static QRectF drawingArea(const QRectF &widgetRect)
    {
        return widgetRect.adjusted(6, 6, -6, -6);
    }
    static int segmentCount(qreal width);

    float level() const { return m_level; }
    float target() const { return m_target; }
    float gain() const { return m_gain; }
    bool autoGainEnabled() const { return m_autoGainEnabled; }
    float minGain() const { return m_minGain; }
    float maxGain() const { return m_maxGain; }
    float envelope() const { return m_envelope; }
    float autoGain() const { return m_autoGain; }
    float smoothing() const { return m_smoothing; }
    float limiterStrength() const { return m_limiterStrength; }
    std::array<float, 3> phases() const { return { m_phase1, m_phase2, m_phase3 }; }

private:
    float m_level = 0.0f;
    float m_target = 0.0f;
    float m_phase1 = 0.0f;
    float m_phase2 = 0.0f;
    float m_phase3 = 0.0f;
    float m_gain = 2.2f;
    bool m_autoGainEnabled = true;
    float m_minGain = 0.9f;
    float m_maxGain = 3.0f;
    float m_envelope = 0.0f;
    float m_autoGain = 1.0f;
    float m_smoothing = 0.08f;
    float m_limiterStrength = 0.8f;
};
