#pragma once

#include <QAudioFormat>
#include <QString>
#include <QVector>
#include <functional>

class IAudioDecoder;
class QAudioDeviceInfo;
class QObject;

// Chooses the decoder for a file and the PCM format the audio output is created with.
class DecoderFactory
{
public:
    enum class Kind { FFmpeg, Ape, Wmf };

    // The order decoders are tried in: FFmpeg first for the common audio suffixes
    // (case-insensitive), the platform decoder first for any other; then the APE decoder, then
    // the platform decoder.
    static QVector<Kind> candidates(const QString &path);
    // A new decoder of that kind owned by parent; nullptr when this build has none.
    static IAudioDecoder *create(Kind kind, QObject *parent);
    // The first candidate that opens the file, or nullptr. Failed candidates are destroyed;
    // `tried`, when given, receives the kinds attempted.
    static IAudioDecoder *openDecoder(
        const QString &path, QObject *parent, QVector<Kind> *tried = nullptr);

    using Supported = std::function<bool(const QAudioFormat &)>;
    using Nearest = std::function<QAudioFormat(const QAudioFormat &)>;
    // The output format for an open decoder at its own rate and channel count: 32-bit float,
    // else 32-, 24-, 16-bit signed, else the device's nearest to 16-bit signed. An FFmpeg
    // decoder is configured to deliver it; the other decoders keep their own layout, which the
    // device converts.
    static QAudioFormat negotiateFormat(IAudioDecoder *decoder, const QAudioDeviceInfo &device);
    static QAudioFormat negotiateFormat(
        IAudioDecoder *decoder, const Supported &supported, const Nearest &nearest);
    // The output buffer: 200 ms of audio in that format, in bytes.
    static int bufferSizeBytes(const QAudioFormat &format);
};
