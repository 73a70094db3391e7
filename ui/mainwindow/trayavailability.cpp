#include "ui/mainwindow/trayavailability.h"

#include <QSystemTrayIcon>

TrayAvailability::Mode TrayAvailability::s_mode = TrayAvailability::Mode::System;

bool TrayAvailability::isAvailable()
{
    switch (s_mode) {
    case Mode::Available:
        return true;
    case Mode::Unavailable:
        return false;
    case Mode::System:
        break;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayAvailability::setMode(Mode mode)
{
    s_mode = mode;
}
