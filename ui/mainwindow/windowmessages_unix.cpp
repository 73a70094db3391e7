#include "ui/mainwindow/windowmessages.h"

// X11 and Wayland clear nothing behind a widget that paints itself.
bool WindowMessages::isEraseBackground(const QByteArray &, void *)
{
    return false;
}
