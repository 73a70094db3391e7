#include "ui/views/dialogbase.h"

#include <QMouseEvent>

DialogBase::DialogBase(QWidget *parent)
    : QDialog(parent)
{ }

void DialogBase::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = true;
    // Every press refreshes the offset, so a right press before a left drag still counts.
    m_dragOffset = event->globalPos() - pos();
}

void DialogBase::mouseReleaseEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    m_dragging = false;
}

void DialogBase::mouseMoveEvent(QMouseEvent *event)
{
    // A zero offset means no usable press was seen; moving would snap the corner to the cursor.
    if (m_dragging && !m_dragOffset.isNull())
        move(event->globalPos() - m_dragOffset);
}
