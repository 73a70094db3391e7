#include "ui/mainwindow/windowmessages.h"

#include <windows.h>

bool WindowMessages::isEraseBackground(const QByteArray &eventType, void *message)
{
    if (!message || (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG"))
        return false;
    return static_cast<const MSG *>(message)->message == WM_ERASEBKGND;
}
