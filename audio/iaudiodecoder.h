#pragma once

#include <QString>
#include <QObject>
#include <QtGlobal>

// Turns an audio file into PCM: interleaved frames, little-endian, no header; 16- or 32-bit
// signed, packed 24-bit signed, or 32-bit float.
//
// Threads: open, close, seek, positionMs and durationMs are called from the GUI thread; read
// and the format queries from the device's filler thread. Implementations are not thread-safe:
// the caller makes sure only one thread is inside a decoder at a time.
class IAudioDecoder
{
public:
    virtual ~IAudioDecoder() = default;

    // Closes what was open, then opens the file. True when read() will deliver PCM in the
    // format the queries describe, from the start of the file.
    virtual bool open(const QString &path) = 0;
    // Releases the file; safe in any state, any number of times.
    virtual void close() = 0;
    // Length of the whole file in ms, fixed at open; 0 when unknown.
    virtual qint64 durationMs() const = 0;
    // Decoding position in ms from the start of the file (runs ahead of what is heard).
    virtual qint64 positionMs() const = 0;
    // Continues decoding from an absolute position in ms; drops undelivered data. On failure
    // the previous state is kept.
    virtual bool seek(qint64 ms) = 0;
    virtual int sampleRate() const = 0;
    virtual int channelCount() const = 0;
    // Bits per sample: 16, 24 or 32.
    virtual int sampleSize() const = 0;
    // QAudioFormat::SampleType value: 1 signed integer, 3 float.
    virtual int sampleType() const = 0;
    // Copies up to maxBytes of PCM; 0 at the end of the stream, when nothing is open or
    // maxBytes is not positive. Never waits for anything but its own decoding.
    virtual qint64 read(char *data, qint64 maxBytes) = 0;
};

// Width of one sample in bytes: 3 for 24-bit samples, otherwise size / 8.
constexpr int bytesPerSample(int sampleSize)
{
    return sampleSize == 24 ? 3 : sampleSize / 8;
}

#define IAudioDecoder_iid "Quellin.IAudioDecoder"
Q_DECLARE_INTERFACE(IAudioDecoder, IAudioDecoder_iid)
