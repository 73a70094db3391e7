#pragma once

#include <QObject>

class QSlider;

// Makes a progress slider seek the way desktop players do: a click on the groove jumps to that
// point (dragging the handle stays as it is) and Left/Right jump by a step. Each jump is
// reported once with the new value. Values are milliseconds: the tooltip shows the time under
// the pointer.
class SliderSeeker : public QObject
{
    Q_OBJECT
public:
    SliderSeeker(QSlider *slider, int keyStep);

    // The slider value under pos (a point of the slider); the groove's ends clamp.
    static int valueAt(const QSlider *slider, const QPoint &pos);
    // "m:ss", or "h:mm:ss" from an hour on.
    static QString timeText(qint64 ms);

signals:
    void seekRequested(int value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSlider *m_slider;
    int m_keyStep;
};
