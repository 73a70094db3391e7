#include "media/audiostreaminfo.h"

#include <QFile>

#include "audio/ffmpeglibrary.h"

AudioStreamInfo AudioStreamInfo::read(const QString &path)
{
    AudioStreamInfo info;
    if (!ffmpeg().isAvailable())
        return info;
    AVFormatContext *context = nullptr;
    if (ffmpeg().avformat_open_input(
            &context, QFile::encodeName(path).constData(), nullptr, nullptr)
        < 0)
        return info;
    if (ffmpeg().avformat_find_stream_info(context, nullptr) >= 0) {
        const int stream =
            ffmpeg().av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream >= 0) {
            info.valid = true;
            info.codecName = QString::fromLatin1(
                ffmpeg().avcodec_get_name(context->streams[stream]->codecpar->codec_id));
            if (context->duration > 0)
                info.durationSeconds = double(context->duration) / AV_TIME_BASE;
        }
    }
    ffmpeg().avformat_close_input(&context);
    return info;
}
