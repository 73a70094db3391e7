#pragma once

#include <QColor>

class QWidget;

// Colours the system title bar of a top-level window through the desktop window manager.
// Does nothing where the window manager offers no such attributes.
class WindowCaption
{
public:
    // Dark title bar with the given caption and caption-text colours.
    static void apply(QWidget *window, const QColor &caption = QColor(25, 28, 35),
        const QColor &text = QColor(255, 255, 255));
};
