#include "audio/gstreamerlibrary_unix.h"

#include "audio/libraryset.h"

#include <QDebug>

namespace {
// Said once, when a file first needs the decoder; the next decoder is tried meanwhile.
void warnUnavailable(const LibrarySet &libraries)
{
    qWarning().noquote() << "GStreamer decoding is off:" << libraries.problem();
}
} // namespace

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
        warnUnavailable(libraries);
        return;
    }
    bool complete = true;
#define QUELLIN_GST_RESOLVE(name) complete = libraries.resolve(name, #name) && complete;
    QUELLIN_GST_FUNCTIONS(QUELLIN_GST_RESOLVE)
#undef QUELLIN_GST_RESOLVE
    if (!complete) {
        warnUnavailable(libraries);
        return;
    }
    m_available = this->gst_init_check(nullptr, nullptr, nullptr);
    if (!m_available)
        qWarning("GStreamer decoding is off: GStreamer could not be initialised");
}
