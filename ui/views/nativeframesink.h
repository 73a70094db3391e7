#pragma once

#include <memory>

class QImage;
class QWidget;

// Puts the rows of a widget's finished frame straight onto the widget's own window, past Qt's
// repaint and backing store. An animation frame otherwise goes through Qt's repaint of the
// widget and a copy into the window's backing store, whose flush first waits for the X server
// to be done with what it flushed last; here it is one X11 PutImage request, sent on a
// connection of the sink's own (opened at the first frame, not at start).
//
// Only on X11 with a 24- or 32-bit visual in the machine's byte order; elsewhere (Windows,
// Wayland, headless) put() refuses and the widget repaints as usual. At its first frame the
// widget becomes a native window (its ancestors do not); what Qt paints into it on its own
// (shown, resized, exposed) must be the same frame.
class NativeFrameSink
{
public:
    explicit NativeFrameSink(QWidget *widget);
    ~NativeFrameSink();
    NativeFrameSink(const NativeFrameSink &) = delete;
    NativeFrameSink &operator=(const NativeFrameSink &) = delete;

    // Rows [top, top + rows) of frame (opaque RGB32 in device pixels, its top left at the
    // widget's) onto the window. False when that cannot be done: the caller repaints instead.
    bool put(const QImage &frame, int top, int rows);
    // Frames put so far (tests check that the direct way is taken).
    int framesPut() const { return m_framesPut; }

private:
    struct State;
    QWidget *m_widget;
    std::unique_ptr<State> m_state;
    int m_framesPut = 0;
};
