#include "ui/views/nativeframesink.h"

#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// Frames between reads of what the server sent back. Only errors come (a window gone), and a
// connection nobody reads would keep them queued.
constexpr int kDrainEvery = 64;

// On an expose with nothing else to paint, Qt copies its backing store to the window, and there
// the widget's last frame painted through Qt may be long gone. Asking for a paint first makes
// Qt paint the current frame instead.
class ExposeWatch : public QObject
{
public:
    explicit ExposeWatch(QWidget *widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
        watchWindow();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::WinIdChange)
            watchWindow();
        else if (watched == m_window && event->type() == QEvent::Expose)
            m_widget->update();
        return false;
    }

private:
    void watchWindow()
    {
        QWindow *window = m_widget->windowHandle();
        if (window == m_window)
            return;
        if (m_window)
            m_window->removeEventFilter(this);
        m_window = window;
        if (window)
            window->installEventFilter(this);
    }

    QWidget *m_widget;
    QPointer<QWindow> m_window;
};

struct Reply
{
    void *data = nullptr;
    ~Reply() { std::free(data); }
};

} // namespace

struct NativeFrameSink::State
{
    explicit State(QWidget *widget)
        : watch(widget)
    { }
    ~State()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    bool open();
    // Whether frames can be put on this window: a true-colour visual with 8 bits a channel in
    // a 32-bit pixel. Asked again only when the window changes.
    bool usable(xcb_window_t id, xcb_window_t parent);
    void drain();

    ExposeWatch watch;
    xcb_connection_t *connection = nullptr;
    bool failed = false; // no display, or the connection broke: repaint from now on
    xcb_window_t window = 0;
    uint8_t depth = 0; // of window; 0: frames cannot go there
    xcb_gcontext_t gc = 0;
    uint8_t gcDepth = 0;
    uint32_t maxRequestBytes = 0;
    int sinceDrain = 0;
};

bool NativeFrameSink::State::open()
{
    // The display Qt uses: it takes $DISPLAY as well, and a window of another display would
    // not be found by usable().
    connection = xcb_connect(nullptr, nullptr);
    const xcb_setup_t *setup =
        xcb_connection_has_error(connection) ? nullptr : xcb_get_setup(connection);
    const uint8_t order =
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (!setup || setup->image_byte_order != order) {
        failed = true;
        return false;
    }
    maxRequestBytes = xcb_get_maximum_request_length(connection) * 4;
    return true;
}

bool NativeFrameSink::State::usable(xcb_window_t id, xcb_window_t parent)
{
    if (id == window)
        return depth != 0;
    window = id;
    depth = 0;
    Reply geometry;
    Reply attributes;
    Reply tree;
    geometry.data = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    attributes.data = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, id), nullptr);
    tree.data = xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr);
    // Under the widget's own parent: the window is the widget's on the display Qt shows it on
    // (Qt may have been given another display than $DISPLAY).
    if (!geometry.data || !attributes.data || !tree.data
        || static_cast<xcb_query_tree_reply_t *>(tree.data)->parent != parent)
        return false;
    const uint8_t windowDepth = static_cast<xcb_get_geometry_reply_t *>(geometry.data)->depth;
    const xcb_visualid_t visual =
        static_cast<xcb_get_window_attributes_reply_t *>(attributes.data)->visual;

    const xcb_setup_t *setup = xcb_get_setup(connection);
    bool pixels = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == windowDepth)
            pixels = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    }
    bool colours = false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s)) {
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
            if (d.data->depth != windowDepth)
                continue;
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == visual)
                    colours = v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR
                        && v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00
                        && v.data->blue_mask == 0xff;
            }
        }
    }
    if (!pixels || !colours)
        return false;
    // A graphics context serves every drawable of its depth.
    if (gc && gcDepth != windowDepth) {
        xcb_free_gc(connection, gc);
        gc = 0;
    }
    if (!gc) {
        gc = xcb_generate_id(connection);
        const uint32_t noExposures[] = { 0 };
        xcb_create_gc(connection, gc, id, XCB_GC_GRAPHICS_EXPOSURES, noExposures);
        gcDepth = windowDepth;
    }
    depth = windowDepth;
    return true;
}

void NativeFrameSink::State::drain()
{
    sinceDrain = 0;
    while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
        // An error: most likely the window went away. Looked at again before the next frame.
        if (event->response_type == 0)
            window = 0;
        std::free(event);
    }
}

NativeFrameSink::NativeFrameSink(QWidget *widget)
    : m_widget(widget)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    m_state = std::make_unique<State>(widget);
}

NativeFrameSink::~NativeFrameSink() = default;

bool NativeFrameSink::put(const QImage &frame, int top, int rows)
{
    if (!m_state || m_state->failed || frame.format() != QImage::Format_RGB32 || rows <= 0
        || top < 0 || top + rows > frame.height() || !m_widget->isVisible())
        return false;
    // The window is made at the first frame, not with the widget: the program's first frame
    // does not wait for it. Qt paints it when it is mapped.
    if (!m_widget->testAttribute(Qt::WA_NativeWindow)) {
        m_widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
        m_widget->setAttribute(Qt::WA_NativeWindow);
        return false;
    }
    const auto id = xcb_window_t(m_widget->internalWinId());
    const QWidget *parent = m_widget->nativeParentWidget();
    if (!id || !parent || !parent->internalWinId())
        return false;
    State &s = *m_state;
    if (!s.connection && !s.open())
        return false;
    if (!s.usable(id, xcb_window_t(parent->internalWinId())))
        return false;

    const auto bytesPerLine = uint32_t(frame.bytesPerLine());
    // A request carries its 24-byte header too; big requests make this megabytes anyway.
    const int rowsPerRequest = int(qMax<uint32_t>(1, (s.maxRequestBytes - 32) / bytesPerLine));
    for (int done = 0; done < rows;) {
        const int count = qMin(rows - done, rowsPerRequest);
        xcb_put_image(s.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, id, s.gc, uint16_t(frame.width()),
            uint16_t(count), 0, int16_t(top + done), 0, s.depth, bytesPerLine * uint32_t(count),
            frame.constBits() + qsizetype(top + done) * bytesPerLine);
        done += count;
    }
    xcb_flush(s.connection);
    if (xcb_connection_has_error(s.connection)) {
        s.failed = true;
        return false;
    }
    if (++s.sinceDrain >= kDrainEvery)
        s.drain();
    ++m_framesPut;
    return true;
}
