#pragma once

#include <QString>

// What FFmpeg's demuxer tells about an audio file without decoding it: the codec of its first
// audio stream and its length. Read in-process, so it is quick enough for the GUI thread.
struct AudioStreamInfo
{
    bool valid = false;
    QString codecName; // FFmpeg's codec name, e.g. "pcm_s24le", "flac"
    double durationSeconds = 0.0; // 0 when unknown

    static AudioStreamInfo read(const QString &path);
};
