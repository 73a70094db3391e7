#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

// Every FFmpeg function the program calls.
#define QUELLIN_FFMPEG_FUNCTIONS(F)                                                                \
    F(av_channel_layout_copy)                                                                      \
    F(av_channel_layout_default)                                                                   \
    F(av_channel_layout_uninit)                                                                    \
    F(av_find_best_stream)                                                                         \
    F(av_frame_alloc)                                                                              \
    F(av_frame_free)                                                                               \
    F(av_frame_unref)                                                                              \
    F(av_free)                                                                                     \
    F(av_get_bytes_per_sample)                                                                     \
    F(av_log_set_level)                                                                            \
    F(av_packet_alloc)                                                                             \
    F(av_packet_free)                                                                              \
    F(av_packet_unref)                                                                             \
    F(av_read_frame)                                                                               \
    F(av_rescale_q)                                                                                \
    F(av_rescale_q_rnd)                                                                            \
    F(av_samples_alloc)                                                                            \
    F(av_seek_frame)                                                                               \
    F(avcodec_alloc_context3)                                                                      \
    F(avcodec_find_decoder)                                                                        \
    F(avcodec_flush_buffers)                                                                       \
    F(avcodec_free_context)                                                                        \
    F(avcodec_get_name)                                                                            \
    F(avcodec_open2)                                                                               \
    F(avcodec_parameters_to_context)                                                               \
    F(avcodec_receive_frame)                                                                       \
    F(avcodec_send_packet)                                                                         \
    F(avformat_close_input)                                                                        \
    F(avformat_find_stream_info)                                                                   \
    F(avformat_open_input)                                                                         \
    F(swr_alloc_set_opts2)                                                                         \
    F(swr_convert)                                                                                 \
    F(swr_free)                                                                                    \
    F(swr_get_out_samples)                                                                         \
    F(swr_init)

// The FFmpeg libraries, loaded at their first use: with their own dependencies they are about a
// hundred shared libraries, which a start that plays nothing yet need not wait for.
class FFmpegLibrary
{
public:
#define QUELLIN_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    QUELLIN_FFMPEG_FUNCTIONS(QUELLIN_FFMPEG_POINTER)
#undef QUELLIN_FFMPEG_POINTER

    // Loads the libraries once (any thread). Logging is silenced: a file that does not open
    // goes to the next decoder.
    static const FFmpegLibrary &instance();
    // False when a library or one of the functions is missing; then nothing may be called.
    bool isAvailable() const
    {
        return m_available;
    }

private:
    FFmpegLibrary();
    bool m_available = false;
};

// Shorthand for the calls.
inline const FFmpegLibrary &ffmpeg()
{
    return FFmpegLibrary::instance();
}
