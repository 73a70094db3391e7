#pragma once

// Whether the desktop offers a notification area for the tray icon. The main window decides
// once, when it is built: with a tray, closing the window hides it there; without one, closing
// quits, since nothing could bring a hidden window back.
class TrayAvailability
{
public:
    enum class Mode { System, Available, Unavailable };

    static bool isAvailable();

    // Tests run headless, where there is never a tray: they choose the answer. System asks the
    // desktop again.
    static void setMode(Mode mode);

private:
    static Mode s_mode;
};
