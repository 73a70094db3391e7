#pragma once

#include "audio/iaudiodecoder.h"

#include <QByteArray>
#include <QObject>
#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

// Decodes the first audio stream of a file with libavformat/libavcodec and converts it with
// libswresample to interleaved PCM at the file's own rate: 16- or 32-bit signed, 32-bit float,
// or packed 24-bit signed. Not thread-safe (see IAudioDecoder).
class FFmpegDecoder : public QObject, public IAudioDecoder
{
    Q_OBJECT
    Q_INTERFACES(IAudioDecoder)

public:
    explicit FFmpegDecoder(QObject *parent = nullptr);
    ~FFmpegDecoder() override;

    bool open(const QString &path) override;
    void close() override;
    qint64 durationMs() const override { return m_durationMs; }
    qint64 positionMs() const override;
    bool seek(qint64 ms) override;
    int sampleRate() const override { return m_sampleRate; }
    int channelCount() const override;
    int sampleSize() const override { return m_sampleSize; }
    int sampleType() const override { return m_sampleType; }
    qint64 read(char *data, qint64 maxBytes) override;

    // A count above 0 replaces the delivered channel count at the next configureOutput.
    void setOutputChannels(int count);
    // (Re)builds the converter for sampleType (1 signed, 3 float) and sampleSize (16, 24, 32);
    // other pairs deliver 16-bit signed while reporting the pair asked for.
    bool configureOutput(int sampleType, int sampleSize);

private:
    struct FormatCloser
    {
        void operator()(AVFormatContext *context) const;
    };
    struct CodecFreer
    {
        void operator()(AVCodecContext *context) const;
    };
    struct ResamplerFreer
    {
        void operator()(SwrContext *context) const;
    };
    struct FrameFreer
    {
        void operator()(AVFrame *frame) const;
    };
    struct PacketFreer
    {
        void operator()(AVPacket *packet) const;
    };
    struct BufferFreer
    {
        void operator()(quint8 *buffer) const;
    };

    bool decodeUntil(qint64 targetBytes);
    void sendAndReceive(const AVPacket *packet);
    void convertFrame(const AVFrame *frame);
    bool growOutputBuffer(int samples);
    void appendConverted(int samples, qint64 firstSample);
    qint64 pendingSize() const { return m_pending.size() - m_pendingOffset; }
    qint64 takePending(char *data, qint64 maxBytes);

    std::unique_ptr<AVFormatContext, FormatCloser> m_format;
    std::unique_ptr<AVCodecContext, CodecFreer> m_codec;
    std::unique_ptr<SwrContext, ResamplerFreer> m_resampler;
    int m_outputSampleFormat; // AVSampleFormat the resampler produces
    int m_sampleType = 1;
    std::unique_ptr<AVFrame, FrameFreer> m_frame;
    std::unique_ptr<AVPacket, PacketFreer> m_packet;
    std::unique_ptr<quint8, BufferFreer> m_outputBuffer;
    int m_outputLineSize = 0;
    int m_outputCapacity = 0;
    int m_audioStreamIndex = -1;
    int m_sampleRate = 0;
    int m_sourceChannels = 0;
    int m_outputChannels = 0;
    int m_sampleSize = 16;
    qint64 m_durationMs = 0;
    qint64 m_samplesDecoded = 0;
    bool m_endOfStream = false;
    QByteArray m_pending;
    int m_pendingOffset = 0; // bytes of m_pending already handed out

    // Seeking lands on a seek point at or before the target; samples before the target (a
    // sample index from the stream start) are dropped, judged by the frames' time stamps.
    qint64 m_skipUntilSample = -1;
    qint64 m_nextSample = 0; // stream sample index of the next converted sample
};
