#pragma once

#include "audio/iaudiodecoder.h"

#include <QByteArray>
#include <QObject>

#include <memory>

class MediaSourceReader;

// Decodes through the platform's media framework (Media Foundation on Windows, GStreamer
// elsewhere): the files FFmpeg is not asked to play first, and the last resort for all others.
// Delivers the signed-integer PCM the framework chooses; cannot be configured.
class WmfDecoder final : public QObject, public IAudioDecoder
{
    Q_OBJECT
    Q_INTERFACES(IAudioDecoder)

public:
    explicit WmfDecoder(QObject *parent = nullptr);
    ~WmfDecoder() override;

    bool open(const QString &path) override;
    void close() override;
    qint64 durationMs() const override { return m_durationMs; }
    // Time of the last sample read, so after a seek it moves once the next sample is read.
    qint64 positionMs() const override { return qMax<qint64>(0, m_position / 10000); }
    bool seek(qint64 ms) override;
    int sampleRate() const override { return m_sampleRate; }
    int channelCount() const override { return m_channels; }
    int sampleSize() const override { return m_sampleSize; }
    int sampleType() const override { return 1; }
    // Hands out what is pending, else decodes one sample of the framework's choosing.
    qint64 read(char *data, qint64 maxBytes) override;

private:
    void decodeSample();
    void appendFromTarget(const QByteArray &pcm, qint64 time, bool hasTime);

    std::unique_ptr<MediaSourceReader> m_reader;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_sampleSize = 16;
    qint64 m_durationMs = 0;
    qint64 m_position = 0; // 100-ns units
    QByteArray m_pending;
    bool m_endOfStream = false;
    qint64 m_seekTarget = -1; // 100-ns units; audio before it is dropped after a seek
};
