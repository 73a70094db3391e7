#include "audio/gstreamerlibrary_unix.h"

#include "audio/libraryset.h"

#include <QDebug>

const GStreamerLibrary &GStreamerLibrary::instance()
{
    static const GStreamerLibrary library;
    return library;
}

GStreamerLibrary::GStreamerLibrary()
{
    // The versions the program was built against.
    LibrarySet libraries(
        { QStringLiteral("libgobject-2.0.so.0"), QStringLiteral("libgstreamer-1.0.so.0"),
            QStringLiteral("libgstaudio-1.0.so.0"), QStringLiteral("libgstapp-1.0.so.0") });
    if (!libraries.isLoaded()) {
        libraries.warnUnavailable("GStreamer");
        return;
    }
    bool complete = true;
#define QUELLIN_GST_RESOLVE(name) complete = libraries.resolve(name, #name) && complete;
    QUELLIN_GST_FUNCTIONS(QUELLIN_GST_RESOLVE)
#undef QUELLIN_GST_RESOLVE
    if (!complete) {
        libraries.warnUnavailable("GStreamer");
        return;
    }
    m_available = this->gst_init_check(nullptr, nullptr, nullptr);
    if (!m_available)
        qWarning("GStreamer decoding is off: GStreamer could not be initialised");
}
