#include "ui/mainwindow/volumebutton.h"

#include "ui/mainwindow/iconpainter.h"

#include <QFrame>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
constexpr int kWheelStep = 5; // percent per wheel notch
const QSize kIconSize(32, 32);
} // namespace

VolumeButton::VolumeButton(QWidget *parent)
    : QPushButton(parent)
{
    // The popup is a child of the button's window so it is found and styled with it.
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("volumePopup"));
    m_popup->setFrameShape(QFrame::StyledPanel);
    m_slider = new QSlider(Qt::Vertical, m_popup);
    m_slider->setObjectName(QStringLiteral("hsVolume"));
    m_slider->setRange(0, 100);
    m_slider->setSingleStep(kWheelStep);
    m_slider->setPageStep(10);
    m_slider->setFixedHeight(120);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(8, 10, 8, 10);
    layout->addWidget(m_slider, 0, Qt::AlignHCenter);

    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, &VolumeButton::showPopup);
    connect(m_slider, &QSlider::valueChanged, this, &VolumeButton::refresh);
    refresh();
}

void VolumeButton::setGlyphColor(const QColor &color)
{
    m_glyphColor = color;
    refresh();
}

void VolumeButton::showPopup()
{
    m_popup->adjustSize();
    // Centred under the button, kept on the button's screen.
    QPoint at = mapToGlobal(QPoint((width() - m_popup->width()) / 2, height()));
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(qBound(area.left(), at.x(), area.right() - m_popup->width()));
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
    }
    m_popup->move(at);
    m_popup->show();
    m_slider->setFocus();
}

void VolumeButton::wheelEvent(QWheelEvent *event)
{
    // Touchpads send small deltas; whole notches (120) make one step each.
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / 120;
    m_wheelRemainder -= notches * 120;
    if (notches != 0)
        m_slider->setValue(m_slider->value() + notches * kWheelStep);
    event->accept();
}

void VolumeButton::refresh()
{
    const int percent = m_slider->value();
    setToolTip(tr("Volume: %1 %").arg(percent));
    setAccessibleName(tr("Volume"));
    setIcon(IconPainter::drawTransportIcon(kIconSize, m_glyphColor,
        percent == 0 ? QStringLiteral("muted") : QStringLiteral("volume"), false, QColor()));
    setIconSize(kIconSize);
}
