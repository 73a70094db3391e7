#pragma once

#include <QRect>
#include <QSlider>

// A seek bar. The engine moves it ten times a second, but over a track of minutes its handle
// moves to another pixel only every second or two: it repaints only then, not on every value.
class ProgressSlider : public QSlider
{
    Q_OBJECT
public:
    explicit ProgressSlider(QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect handleRect() const;

    QRect m_paintedHandle;
};
