#pragma once

#include "ui/views/audiowavemodel.h"
#include "ui/views/backdrop.h"
#include "ui/views/nativeframesink.h"

#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <vector>

// The level meter: three drifting sine waves whose height follows the playing audio's level.
// The engine pushes levels and switches it on and off; a 16 ms timer animates it while on and
// shown (not on a hidden page, nor in a minimised or hidden window).
class AudioWaveView : public QWidget
{
    Q_OBJECT
public:
    explicit AudioWaveView(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(280, 50); }
    QSize minimumSizeHint() const override { return QSize(120, 44); }

    bool isActive() const { return m_active; }
    bool isAnimating() const { return m_timer.isActive(); }
    const AudioWaveModel &model() const { return m_model; }
    // Frames that went straight to the window rather than through Qt's repaint.
    int framesPutDirectly() const { return m_sink.framesPut(); }
    std::array<QColor, 3> colors() const { return { m_color1, m_color2, m_color3 }; }

public slots:
    void setActive(bool active);
    void pushLevel(float l, float r);
    void pushLevel(float l);
    void setGain(float g);
    void setColors(const QColor &c1, const QColor &c2, const QColor &c3);
    void setAutoGainEnabled(bool enabled);
    void setAutoGainRange(float minGain, float maxGain);
    void setAutoGainSmoothing(float alpha);
    void setLimiterStrength(float strength);

signals:
    // The waves started or stopped moving: levels are wanted only while they move.
    void animatingChanged(bool animating);
    // A frame is about to be drawn: the moment to push the latest level.
    void frameStarting();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void animate();
    void updateTimer();
    // Draws the waves as they are now into the frame; returns the rows (device pixels) that
    // changed since the frame before.
    QRect drawWaves(const QPixmap &backdrop);
    // Those rows in the widget's own coordinates, across its width.
    QRect shownRows(const QRect &rows) const;
    void blendWave(const QPolygonF &points, qreal penWidth, const QColor &color);

    QTimer m_timer;
    bool m_active = false;
    bool m_hidden = false;
    AudioWaveModel m_model;
    QColor m_color1 { 150, 140, 255, 210 };
    QColor m_color2 { 196, 168, 255, 180 };
    QColor m_color3 { 120, 170, 235, 160 };
    // Kept between frames so that a frame allocates nothing.
    QPolygonF m_points;
    std::vector<float> m_coverage;
    struct Segment
    {
        qreal slope;
        qreal reach;
    };
    std::vector<Segment> m_segments;
    // The backdrop with the waves blended in, shown in one copy.
    QImage m_frame;
    qreal m_frameRatio = 1.0;
    // The backdrop the frame was made over (0: none); only the rows the waves covered
    // (m_wavesTop to m_wavesBottom) differ from it, so only those are put back before the next.
    qint64 m_frameBackdropKey = 0;
    int m_wavesTop = 0;
    int m_wavesBottom = -1;
    // While the tick shows the frame it has just drawn, the paint only copies it.
    bool m_frameReady = false;
    QImage m_backdropImage;
    qint64 m_backdropKey = 0;
    Backdrop m_backdrop;
    NativeFrameSink m_sink { this };
};
