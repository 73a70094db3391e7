#include "audio/ffmpegdecoder.h"

#include <QDir>
#include <cmath>
#include <cstring>

#include "audio/ffmpeglibrary.h"

namespace {

// Samples per channel the converter's output buffer starts with; it grows for bigger frames.
constexpr int kInitialOutputCapacity = 4096;
// One read decodes about 100 ms of audio, or at most this many packets.
constexpr int kMaxPacketsPerRead = 101;

} // namespace

void FFmpegDecoder::FormatCloser::operator()(AVFormatContext *context) const
{
    ffmpeg().avformat_close_input(&context);
}

void FFmpegDecoder::CodecFreer::operator()(AVCodecContext *context) const
{
    ffmpeg().avcodec_free_context(&context);
}

void FFmpegDecoder::ResamplerFreer::operator()(SwrContext *context) const
{
    ffmpeg().swr_free(&context);
}

void FFmpegDecoder::FrameFreer::operator()(AVFrame *frame) const
{
    ffmpeg().av_frame_free(&frame);
}

void FFmpegDecoder::PacketFreer::operator()(AVPacket *packet) const
{
    ffmpeg().av_packet_free(&packet);
}

void FFmpegDecoder::BufferFreer::operator()(quint8 *buffer) const
{
    ffmpeg().av_free(buffer);
}

FFmpegDecoder::FFmpegDecoder(QObject *parent)
    : QObject(parent)
{ }

FFmpegDecoder::~FFmpegDecoder()
{
    FFmpegDecoder::close();
}

void FFmpegDecoder::close()
{
    m_resampler.reset();
    m_codec.reset();
    m_format.reset();
    m_frame.reset();
    m_packet.reset();
    m_outputBuffer.reset();
    m_outputLineSize = 0;
    m_outputCapacity = 0;
    m_audioStreamIndex = -1;
    m_sampleRate = 0;
    m_sourceChannels = 0;
    m_sampleSize = 16;
    m_durationMs = 0;
    m_samplesDecoded = 0;
    m_endOfStream = false;
    m_pending.clear();
    m_pendingOffset = 0;
    m_skipUntilSample = -1;
    m_nextSample = 0;
}

bool FFmpegDecoder::open(const QString &path)
{
    close();
    if (!ffmpeg().isAvailable())
        return false;

    const QByteArray nativePath = QDir::toNativeSeparators(path).toUtf8();
    AVFormatContext *format = nullptr;
    if (ffmpeg().avformat_open_input(&format, nativePath.constData(), nullptr, nullptr) < 0)
        return false;
    m_format.reset(format);
    if (ffmpeg().avformat_find_stream_info(format, nullptr) < 0) {
        close();
        return false;
    }

    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            m_audioStreamIndex = int(i);
            break;
        }
    }
    if (m_audioStreamIndex < 0) {
        close();
        return false;
    }
    // Packets of the other streams (video, cover pictures) are of no use.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (int(i) != m_audioStreamIndex)
            format->streams[i]->discard = AVDISCARD_ALL;
    }

    AVStream *stream = format->streams[m_audioStreamIndex];
    const AVCodec *codec = ffmpeg().avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        close();
        return false;
    }
    m_codec.reset(ffmpeg().avcodec_alloc_context3(codec));
    if (!m_codec || ffmpeg().avcodec_parameters_to_context(m_codec.get(), stream->codecpar) < 0) {
        close();
        return false;
    }
    m_codec->pkt_timebase = stream->time_base;
    if (ffmpeg().avcodec_open2(m_codec.get(), codec, nullptr) < 0) {
        close();
        return false;
    }

    m_sampleRate = m_codec->sample_rate;
    m_sourceChannels = m_codec->ch_layout.nb_channels;
    m_outputChannels = m_sourceChannels;
    m_sampleSize = 16;

    if (stream->duration > 0) {
        m_durationMs = qint64(
            double(stream->duration) * stream->time_base.num / stream->time_base.den * 1000.0);
    } else if (format->duration > 0) {
        m_durationMs = format->duration / 1000;
    }

    m_frame.reset(ffmpeg().av_frame_alloc());
    m_packet.reset(ffmpeg().av_packet_alloc());
    if (!m_frame || !m_packet) {
        close();
        return false;
    }

    bool configured = false;
    switch (m_codec->sample_fmt) {
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP:
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP:
        configured = configureOutput(3, 32);
        break;
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
        configured = configureOutput(1, 32);
        break;
    default:
        configured = configureOutput(1, 16);
        break;
    }
    if (!configured) {
        close();
        return false;
    }

    m_pending.clear();
    m_pendingOffset = 0;
    m_samplesDecoded = 0;
    m_endOfStream = false;
    return m_sampleRate > 0 && m_sourceChannels > 0;
}

qint64 FFmpegDecoder::positionMs() const
{
    if (m_sampleRate <= 0)
        return 0;
    // Nearest, so that a seek to a whole millisecond reads back as that millisecond.
    return (m_samplesDecoded * 1000 + m_sampleRate / 2) / m_sampleRate;
}

int FFmpegDecoder::channelCount() const
{
    return m_outputChannels > 0 ? m_outputChannels : m_sourceChannels;
}

void FFmpegDecoder::setOutputChannels(int count)
{
    if (count > 0)
        m_outputChannels = count;
}

bool FFmpegDecoder::configureOutput(int sampleType, int sampleSize)
{
    if (!m_codec || m_sampleRate <= 0 || m_sourceChannels <= 0)
        return false;

    m_resampler.reset();
    m_outputBuffer.reset();
    m_outputLineSize = 0;
    m_outputCapacity = 0;

    AVChannelLayout inLayout {};
    if (m_codec->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        ffmpeg().av_channel_layout_copy(&inLayout, &m_codec->ch_layout);
    else
        ffmpeg().av_channel_layout_default(&inLayout, m_codec->ch_layout.nb_channels);
    const int outCount = m_outputChannels > 0 ? m_outputChannels : m_codec->ch_layout.nb_channels;
    AVChannelLayout outLayout {};
    ffmpeg().av_channel_layout_default(&outLayout, outCount);

    AVSampleFormat outFormat = AV_SAMPLE_FMT_S16;
    // 24-bit output is converted from float and packed to 3 bytes per sample while decoding.
    if ((sampleType == 3 && sampleSize == 32) || (sampleType == 1 && sampleSize == 24))
        outFormat = AV_SAMPLE_FMT_FLT;
    else if (sampleType == 1 && sampleSize == 32)
        outFormat = AV_SAMPLE_FMT_S32;
    m_outputSampleFormat = outFormat;
    m_sampleType = sampleType;
    m_sampleSize = sampleSize;

    // The rate is never converted: both sides use the codec's rate.
    SwrContext *resampler = nullptr;
    const int allocated = ffmpeg().swr_alloc_set_opts2(&resampler, &outLayout, outFormat,
        m_sampleRate, &inLayout, m_codec->sample_fmt, m_sampleRate, 0, nullptr);
    ffmpeg().av_channel_layout_uninit(&inLayout);
    ffmpeg().av_channel_layout_uninit(&outLayout);
    if (allocated < 0 || !resampler)
        return false;
    m_resampler.reset(resampler);
    if (ffmpeg().swr_init(resampler) < 0) {
        m_resampler.reset();
        return false;
    }
    if (!growOutputBuffer(kInitialOutputCapacity)) {
        m_resampler.reset();
        return false;
    }
    return true;
}

bool FFmpegDecoder::growOutputBuffer(int samples)
{
    m_outputBuffer.reset();
    m_outputCapacity = 0;
    quint8 *buffer = nullptr;
    if (ffmpeg().av_samples_alloc(
            &buffer, &m_outputLineSize, channelCount(), samples, m_outputSampleFormat, 0)
        < 0)
        return false;
    m_outputBuffer.reset(buffer);
    m_outputCapacity = samples;
    return true;
}

qint64 FFmpegDecoder::read(char *data, qint64 maxBytes)
{
    if (!m_format || !m_codec || maxBytes <= 0)
        return 0;
    if (pendingSize() > 0)
        return takePending(data, maxBytes);
    if (m_endOfStream)
        return 0;

    const qint64 width = m_sampleType == 1 ? bytesPerSample(m_sampleSize) : 4;
    const qint64 target =
        qMax<qint64>(1, qMin(maxBytes, channelCount() * width * m_sampleRate / 10));
    if (!decodeUntil(target))
        return 0;
    return takePending(data, maxBytes);
}

qint64 FFmpegDecoder::takePending(char *data, qint64 maxBytes)
{
    const qint64 count = qMin(pendingSize(), maxBytes);
    std::memcpy(data, m_pending.constData() + m_pendingOffset, size_t(count));
    m_pendingOffset += int(count);
    if (m_pendingOffset >= m_pending.size()) {
        m_pending.resize(0);
        m_pendingOffset = 0;
    }
    return count;
}

bool FFmpegDecoder::decodeUntil(qint64 targetBytes)
{
    if (!m_format || !m_codec || m_endOfStream)
        return false;
    if (m_pendingOffset > 0) {
        m_pending.remove(0, m_pendingOffset);
        m_pendingOffset = 0;
    }

    int packets = 0;
    while (pendingSize() < targetBytes && !m_endOfStream) {
        if (ffmpeg().av_read_frame(m_format.get(), m_packet.get()) < 0) {
            // Drain what the codec and the converter still hold: the end of the last track.
            sendAndReceive(nullptr);
            if (m_resampler && m_outputBuffer) {
                quint8 *out = m_outputBuffer.get();
                const int n =
                    ffmpeg().swr_convert(m_resampler.get(), &out, m_outputCapacity, nullptr, 0);
                appendConverted(n, m_nextSample);
            }
            m_endOfStream = true;
            break;
        }
        if (m_packet->stream_index == m_audioStreamIndex)
            sendAndReceive(m_packet.get());
        ffmpeg().av_packet_unref(m_packet.get());
        if (++packets >= kMaxPacketsPerRead)
            break;
    }
    return pendingSize() > 0;
}

void FFmpegDecoder::sendAndReceive(const AVPacket *packet)
{
    if (ffmpeg().avcodec_send_packet(m_codec.get(), packet) < 0)
        return;
    for (;;) {
        const int result = ffmpeg().avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (result == AVERROR(EAGAIN))
            break;
        if (result == AVERROR_EOF) {
            m_endOfStream = true;
            break;
        }
        if (result < 0)
            break;
        const bool room = m_outputCapacity > 0;
        if (room)
            convertFrame(m_frame.get());
        ffmpeg().av_frame_unref(m_frame.get());
        if (!room || m_outputCapacity == 0)
            break;
    }
}

void FFmpegDecoder::convertFrame(const AVFrame *frame)
{
    if (!m_resampler)
        return;
    const int needed = ffmpeg().swr_get_out_samples(m_resampler.get(), frame->nb_samples);
    if (needed > m_outputCapacity && !growOutputBuffer(needed))
        return;

    qint64 firstSample = m_nextSample;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
        const AVStream *stream = m_format->streams[m_audioStreamIndex];
        const qint64 origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        firstSample = ffmpeg().av_rescale_q(frame->best_effort_timestamp - origin,
            stream->time_base, AVRational { 1, m_sampleRate });
    }
    quint8 *out = m_outputBuffer.get();
    const int n = ffmpeg().swr_convert(m_resampler.get(), &out, m_outputCapacity,
        const_cast<const quint8 **>(frame->extended_data), frame->nb_samples);
    appendConverted(n, firstSample);
}

void FFmpegDecoder::appendConverted(int samples, qint64 firstSample)
{
    if (samples <= 0)
        return;
    if (m_skipUntilSample < 0)
        firstSample = m_nextSample; // time stamps only place the first frames after a seek
    int skip = 0;
    if (m_skipUntilSample >= 0) {
        skip = int(qBound<qint64>(0, m_skipUntilSample - firstSample, samples));
        if (skip < samples) {
            m_skipUntilSample = -1;
            m_samplesDecoded = firstSample + skip;
        }
    }
    m_nextSample = firstSample + samples;
    const int delivered = samples - skip;
    if (delivered <= 0)
        return;

    const int channels = channelCount();
    const qint64 values = qint64(delivered) * channels;
    if (m_sampleType == 1 && m_sampleSize == 24) {
        const float *source =
            reinterpret_cast<const float *>(m_outputBuffer.get()) + skip * channels;
        const int start = m_pending.size();
        m_pending.resize(start + int(values * 3));
        auto *target = reinterpret_cast<quint8 *>(m_pending.data() + start);
        for (qint64 i = 0; i < values; ++i) {
            const double clamped = qBound(-1.0, double(source[i]), 1.0);
            const long value = std::lround(clamped * 8388607.0);
            *target++ = quint8(value & 0xff);
            *target++ = quint8((value >> 8) & 0xff);
            *target++ = quint8((value >> 16) & 0xff);
        }
    } else {
        const int width = ffmpeg().av_get_bytes_per_sample(m_outputSampleFormat);
        m_pending.append(
            reinterpret_cast<const char *>(m_outputBuffer.get()) + skip * channels * width,
            int(values * width));
    }
    m_samplesDecoded += delivered;
}

bool FFmpegDecoder::seek(qint64 ms)
{
    if (!m_format || m_audioStreamIndex < 0 || !m_codec)
        return false;
    ms = qMax<qint64>(0, ms);
    const AVStream *stream = m_format->streams[m_audioStreamIndex];
    const qint64 origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const qint64 target = ms * m_sampleRate / 1000;
    // FFmpeg's search without a seek table can fail for some targets; a seek point further back
    // serves as well, since the samples before the target are dropped anyway.
    qint64 back = 0;
    for (;;) {
        const qint64 at = qMax<qint64>(0, target - back);
        // Rounded down: a demuxer that seeks exactly (PCM) must not land past the target.
        const qint64 timestamp = ffmpeg().av_rescale_q_rnd(at, AVRational { 1, m_sampleRate },
                                     stream->time_base, AV_ROUND_DOWN)
            + origin;
        if (ffmpeg().av_seek_frame(
                m_format.get(), m_audioStreamIndex, timestamp, AVSEEK_FLAG_BACKWARD)
            >= 0)
            break;
        if (at == 0)
            return false;
        back = back == 0 ? m_sampleRate / 2 : back * 2;
    }

    ffmpeg().avcodec_flush_buffers(m_codec.get());
    if (m_resampler)
        ffmpeg().swr_init(m_resampler.get()); // forget samples held from before the seek
    m_pending.resize(0);
    m_pendingOffset = 0;
    m_endOfStream = false;
    m_samplesDecoded = target;
    m_skipUntilSample = target;
    m_nextSample = m_samplesDecoded;
    return true;
}
