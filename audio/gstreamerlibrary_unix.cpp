#include "audio/gstreamerlibrary_unix.h"

#include <QLibrary>

const GStreamerLibrary &GStreamerLibrary::instance()
{
    static const GStreamerLibrary library;
    return library;
}

GStreamerLibrary::GStreamerLibrary()
{
    // The versions the program was built against; they stay loaded until the process ends.
    QLibrary libraries[] = { QLibrary(QStringLiteral("libgobject-2.0.so.0")),
        QLibrary(QStringLiteral("libgstreamer-1.0.so.0")),
        QLibrary(QStringLiteral("libgstaudio-1.0.so.0")),
        QLibrary(QStringLiteral("libgstapp-1.0.so.0")) };
    for (QLibrary &library : libraries) {
        if (!library.load())
            return;
    }
    bool complete = true;
    auto resolve = [&](auto &pointer, const char *name) {
        QFunctionPointer found = nullptr;
        for (QLibrary &library : libraries) {
            if ((found = library.resolve(name)))
                break;
        }
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(found);
        complete = complete && found;
    };
#define QUELLIN_GST_RESOLVE(name) resolve(name, #name);
    QUELLIN_GST_FUNCTIONS(QUELLIN_GST_RESOLVE)
#undef QUELLIN_GST_RESOLVE
    m_available = complete && this->gst_init_check(nullptr, nullptr, nullptr);
}
