#include "audio/ffmpeglibrary.h"

#include "audio/libraryset.h"

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
    // The versions the program was built against.
    LibrarySet libraries({ libraryName("avutil", LIBAVUTIL_VERSION_MAJOR),
        libraryName("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
        libraryName("avcodec", LIBAVCODEC_VERSION_MAJOR),
        libraryName("avformat", LIBAVFORMAT_VERSION_MAJOR) });
    if (!libraries.isLoaded()) {
        libraries.warnUnavailable("FFmpeg");
        return;
    }
    bool complete = true;
#define QUELLIN_FFMPEG_RESOLVE(name) complete = libraries.resolve(name, #name) && complete;
    QUELLIN_FFMPEG_FUNCTIONS(QUELLIN_FFMPEG_RESOLVE)
#undef QUELLIN_FFMPEG_RESOLVE
    m_available = complete;
    if (m_available)
        this->av_log_set_level(AV_LOG_QUIET);
    else
        libraries.warnUnavailable("FFmpeg");
}
