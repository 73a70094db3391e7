#pragma once

#include "audio/pcmconverter.h"

#include <QByteArray>
#include <QIODevice>
#include <atomic>
#include <mutex>

class IAudioDecoder;
class QThread;

// The read-only device an audio output pulls from. A filler thread ("DecoderIODeviceFiller")
// keeps up to 900 ms of decoded audio buffered, so the output never waits for decoding; an empty
// buffer reads as silence, never as a short read.
//
// Threads: the filler is the only caller of the decoder's read(); seekDecoder() and
// decoderPositionMs() take the same decoder lock, so the GUI thread never enters the decoder
// while it decodes. The buffer has its own lock, held only for copying: readData() (the output's
// thread) never waits for a decode.
class DecoderIODevice : public QIODevice
{
    Q_OBJECT

public:
    // The decoder must be open, outlive the device and not be used by others while it is open.
    explicit DecoderIODevice(IAudioDecoder *decoder, QObject *parent = nullptr);
    ~DecoderIODevice() override;

    // The PCM layout handed to the output (1 signed / 3 float, 16/24/32 bits). When it differs
    // from what the decoder delivers, the filler converts. Call before open.
    void setOutputFormat(int sampleSize, int sampleType);
    int sampleSize() const { return m_outSampleSize; }
    int sampleType() const { return m_outSampleType; }

    bool open(OpenMode mode) override;
    void close() override;

    // Drops the buffered audio; the filler drops once more what it was decoding meanwhile.
    void clearBuffer();
    // Seeks the decoder to ms (from the start of the file) between two of the filler's reads
    // and drops everything buffered; positions then count from ms.
    bool seekDecoder(qint64 ms);
    qint64 decoderPositionMs() const;

    // File position (ms) of the end of the audio handed to the output so far.
    qint64 playedPositionMs() const;
    // Past this file position (ms) the output gets silence; -1 removes the limit.
    void setEndPositionMs(qint64 ms);
    // Everything up to the end position, or to the end of the stream, has been handed over.
    bool isFinished() const;

    int highWaterBytes() const { return m_highWaterBytes; }
    // Decoded bytes waiting for the output.
    qint64 bufferedBytes() const;

    // RMS of channels 0 and 1 over the whole frames of a chunk (full scale = 1.0); false when
    // the layout cannot be read. One channel gives r = l.
    static bool measureLevels(const char *data, qint64 size, int channels, int sampleSize,
        int sampleType, float *l, float *r);

signals:
    void levelChanged(float l, float r);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    void captureFormat();
    void startFiller();
    void stopFiller();
    void fillLoop();
    void appendChunk(QByteArray chunk);
    qint64 bytesForMs(qint64 ms) const;
    qint64 unreadBytes() const { return m_buffer.size() - m_bufferOffset; }

    IAudioDecoder *m_decoder;
    QThread *m_filler = nullptr;

    // The buffer lock guards everything from here to m_emptyReads.
    mutable std::mutex m_mutex;
    QByteArray m_buffer;
    int m_bufferOffset = 0; // bytes at the front of m_buffer already handed out
    bool m_discardPending = false;
    qint64 m_frontByte = 0; // file offset (output layout) of the first unread buffered byte
    qint64 m_endByte = -1;
    int m_emptyReads = 0; // decoder reads in a row that gave nothing

    // The decoder lock: held by the filler around each read and by callers of the decoder.
    mutable std::mutex m_decoderMutex;
    PcmConverter m_converter;

    std::atomic<bool> m_running { false };
    int m_highWaterBytes = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_outSampleSize = 0;
    int m_outSampleType = 0;
    int m_inFrameBytes = 0;
    int m_outFrameBytes = 0;
};
