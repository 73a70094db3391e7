#include "audio/ffmpeglibrary.h"

#include <QLibrary>

namespace {
QString libraryName(const char *name, int major)
{
#ifdef Q_OS_WIN
    return QStringLiteral("%1-%2").arg(QLatin1String(name)).arg(major);
#else
    return QStringLiteral("lib%1.so.%2").arg(QLatin1String(name)).arg(major);
#endif
}
} // namespace

const FFmpegLibrary &FFmpegLibrary::instance()
{
    static const FFmpegLibrary library;
    return library;
}

FFmpegLibrary::FFmpegLibrary()
{
    // The versions the program was built against; they stay loaded until the process ends.
    QLibrary libraries[] = { QLibrary(libraryName("avutil", LIBAVUTIL_VERSION_MAJOR)),
        QLibrary(libraryName("swresample", LIBSWRESAMPLE_VERSION_MAJOR)),
        QLibrary(libraryName("avcodec", LIBAVCODEC_VERSION_MAJOR)),
        QLibrary(libraryName("avformat", LIBAVFORMAT_VERSION_MAJOR)) };
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
#define QUELLIN_FFMPEG_RESOLVE(name) resolve(name, #name);
    QUELLIN_FFMPEG_FUNCTIONS(QUELLIN_FFMPEG_RESOLVE)
#undef QUELLIN_FFMPEG_RESOLVE
    m_available = complete;
    if (m_available)
        this->av_log_set_level(AV_LOG_QUIET);
}
