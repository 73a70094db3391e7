#include "ui/mainwindow/progressslider.h"

#include <QStyle>
#include <QStyleOptionSlider>

ProgressSlider::ProgressSlider(QWidget *parent)
    : QSlider(parent)
{ }

QRect ProgressSlider::handleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void ProgressSlider::sliderChange(SliderChange change)
{
    // The groove's filled part ends at the handle: where the handle stays, nothing changes.
    if (change == SliderValueChange && !isSliderDown() && !m_paintedHandle.isNull()
        && handleRect() == m_paintedHandle)
        return;
    QSlider::sliderChange(change);
}

void ProgressSlider::paintEvent(QPaintEvent *event)
{
    m_paintedHandle = handleRect();
    QSlider::paintEvent(event);
}
