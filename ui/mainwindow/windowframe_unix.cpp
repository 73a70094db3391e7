#include "ui/mainwindow/windowframe.h"

// X11 and Wayland window managers draw their own captions; there is nothing to ask for.
void WindowFrame::setDarkFrame(QWidget *window)
{
    Q_UNUSED(window)
}

void WindowFrame::setCaptionColors(QWidget *window, const QColor &caption, const QColor &text)
{
    Q_UNUSED(window)
    Q_UNUSED(caption)
    Q_UNUSED(text)
}
