#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

// Decodes the first audio stream of a file through the platform's media framework (Media
// Foundation on Windows, GStreamer elsewhere) into interleaved little-endian signed PCM. The
// framework chooses the sample size (16, 24 packed or 32 bits); times are in 100-ns units.
// Not thread-safe: one thread at a time.
class MediaSourceReader
{
public:
    struct Sample
    {
        QByteArray pcm; // empty when the framework gave no data or it could not be mapped
        qint64 time = 0; // start of the sample, valid when hasTime
        bool hasTime = false;
        bool endOfStream = false;
    };

    MediaSourceReader();
    ~MediaSourceReader();
    MediaSourceReader(const MediaSourceReader &) = delete;
    MediaSourceReader &operator=(const MediaSourceReader &) = delete;

    // Opens the file with PCM output; false when the framework cannot decode it. Call once.
    bool open(const QString &path);
    int sampleRate() const;
    int channelCount() const;
    int bitsPerSample() const;
    // Length of the presentation; 0 when unknown.
    qint64 duration() const;
    // The next sample. False when the framework failed; at the end endOfStream is set.
    bool readSample(Sample *sample);
    // Continues reading at the given time; the next sample's time tells where reading resumed.
    bool setPosition(qint64 time);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
