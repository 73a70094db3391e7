#include "ui/mainwindow/sliderseeker.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace {
// The slider's own option (QSlider::initStyleOption is protected).
QStyleOptionSlider optionOf(const QSlider *slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = slider->orientation();
    opt.maximum = slider->maximum();
    opt.minimum = slider->minimum();
    opt.tickPosition = slider->tickPosition();
    opt.tickInterval = slider->tickInterval();
    opt.upsideDown = slider->orientation() == Qt::Horizontal
        ? slider->invertedAppearance() != (slider->layoutDirection() == Qt::RightToLeft)
        : !slider->invertedAppearance();
    opt.direction = slider->layoutDirection();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    if (slider->orientation() == Qt::Horizontal)
        opt.state |= QStyle::State_Horizontal;
    return opt;
}
} // namespace

SliderSeeker::SliderSeeker(QSlider *slider, int keyStep)
    : QObject(slider)
    , m_slider(slider)
    , m_keyStep(keyStep)
{
    slider->installEventFilter(this);
}

int SliderSeeker::valueAt(const QSlider *slider, const QPoint &pos)
{
    const QStyleOptionSlider opt = optionOf(slider);
    const QStyle *style = slider->style();
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider);
    const QRect handle =
        style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
    const bool horizontal = slider->orientation() == Qt::Horizontal;
    // The handle's centre follows the pointer.
    const int length = horizontal ? handle.width() : handle.height();
    const int first = horizontal ? groove.x() : groove.y();
    const int span = (horizontal ? groove.width() : groove.height()) - length;
    const int at = (horizontal ? pos.x() : pos.y()) - first - length / 2;
    return QStyle::sliderValueFromPosition(slider->minimum(), slider->maximum(),
        qBound(0, at, qMax(0, span)), qMax(0, span), opt.upsideDown);
}

QString SliderSeeker::timeText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    const QLatin1Char zero('0');
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

bool SliderSeeker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_slider || !m_slider->isEnabled())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ToolTip) {
        if (m_slider->maximum() <= 0)
            return true; // nothing loaded: no time to show
        auto *help = static_cast<QHelpEvent *>(event);
        QToolTip::showText(help->globalPos(), timeText(valueAt(m_slider, help->pos())), m_slider);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() != Qt::LeftButton)
            return false;
        const QStyleOptionSlider opt = optionOf(m_slider);
        const QRect handle = m_slider->style()->subControlRect(
            QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, m_slider);
        if (handle.contains(press->pos()))
            return false; // a drag of the handle
        const int value = valueAt(m_slider, press->pos());
        m_slider->setValue(value);
        emit seekRequested(value);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
            return false;
        int step = 0;
        if (key->key() == Qt::Key_Left)
            step = -m_keyStep;
        else if (key->key() == Qt::Key_Right)
            step = m_keyStep;
        if (step == 0)
            return false;
        const int value =
            qBound(m_slider->minimum(), m_slider->value() + step, m_slider->maximum());
        m_slider->setValue(value);
        emit seekRequested(value);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
