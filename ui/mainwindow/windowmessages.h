#pragma once

#include <QByteArray>

// Native window messages the main window answers itself.
class WindowMessages
{
public:
    // The system asks the window to erase its background (Windows' WM_ERASEBKGND). Nothing
    // else sends it: elsewhere this is always false.
    static bool isEraseBackground(const QByteArray &eventType, void *message);
};
