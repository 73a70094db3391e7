#pragma once

#include <QColor>

class QWidget;

// The colours of a window's system caption, where the desktop's window manager lets a program
// choose them (the Windows desktop window manager). Elsewhere the calls do nothing. Failures are
// silent: the frame simply keeps its colours.
class WindowFrame
{
public:
    // Dark mode with the program's dark caption (25, 28, 35) and white caption text.
    static void setDarkFrame(QWidget *window);
    static void setCaptionColors(QWidget *window, const QColor &caption, const QColor &text);
};
