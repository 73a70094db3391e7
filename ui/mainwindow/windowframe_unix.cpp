#include "ui/mainwindow/windowframe.h"

// X11 and Wayland window managers draw their own captions; there is nothing to ask for.
void WindowFrame::setDarkFrame(QWidget *) { }

void WindowFrame::setCaptionColors(QWidget *, const QColor &, const QColor &) { }
