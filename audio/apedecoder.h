#pragma once

#include "audio/iaudiodecoder.h"

#include <QByteArray>
#include <QLibrary>
#include <QObject>

#include <memory>

// Decodes Monkey's Audio files with the Monkey's Audio decoder library, loaded at open and
// released at close ("MACDll.dll" on Windows, "libMAC.so" elsewhere, found by the system's
// search). Delivers the file's own PCM: its rate, channels and sample size, signed integers.
class ApeDecoder final : public QObject, public IAudioDecoder
{
    Q_OBJECT
    Q_INTERFACES(IAudioDecoder)

public:
    explicit ApeDecoder(QObject *parent = nullptr);
    ~ApeDecoder() override;

    // Replaces the library loaded by later opens; an empty path restores the system's one.
    // Main thread only.
    static void setLibraryPath(const QString &path);
    static QString libraryPath();

    bool open(const QString &path) override;
    void close() override;
    qint64 durationMs() const override;
    qint64 positionMs() const override;
    // Fails when the library has no seek function.
    bool seek(qint64 ms) override;
    int sampleRate() const override { return m_sampleRate; }
    int channelCount() const override { return m_channels; }
    int sampleSize() const override { return m_sampleSize; }
    int sampleType() const override { return 1; }
    // Decodes max / block size blocks (at least one) when nothing is pending.
    qint64 read(char *data, qint64 maxBytes) override;

private:
    struct Functions;

    int info(int field) const;
    int blockBytes() const { return bytesPerSample(m_sampleSize) * m_channels; }

    QLibrary m_library;
    void *m_decompressor = nullptr;
    std::unique_ptr<Functions> m_functions;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_sampleSize = 16;
    qint64 m_totalBlocks = 0;
    qint64 m_currentBlock = 0;
    QByteArray m_pending;
};
