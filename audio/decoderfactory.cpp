#include "audio/decoderfactory.h"

#include "audio/apedecoder.h"
#include "audio/ffmpegdecoder.h"
#include "audio/wmfdecoder.h"

#include <QAudioDeviceInfo>
#include <QFileInfo>

namespace {

bool opensWithFFmpegFirst(const QString &suffix)
{
    static const QStringList suffixes { "flac", "wav", "mp3", "aac", "m4a", "wma", "ape", "dts",
        "dsf", "ogg", "opus", "oga", "aiff", "aif", "aifc", "wv", "mka", "caf", "ac3" };
    return suffixes.contains(suffix);
}

} // namespace

QVector<DecoderFactory::Kind> DecoderFactory::candidates(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const Kind first = opensWithFFmpegFirst(suffix) ? Kind::FFmpeg : Kind::Wmf;
    return { first, Kind::Ape, Kind::Wmf };
}

IAudioDecoder *DecoderFactory::create(Kind kind, QObject *parent)
{
    switch (kind) {
    case Kind::FFmpeg:
        return new FFmpegDecoder(parent);
    case Kind::Ape:
        return new ApeDecoder(parent);
    case Kind::Wmf:
        return new WmfDecoder(parent);
    }
    return nullptr;
}

IAudioDecoder *DecoderFactory::openDecoder(
    const QString &path, QObject *parent, QVector<Kind> *tried)
{
    // A FIFO or device would block the decoder's open for good.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return nullptr;
    for (Kind kind : candidates(path)) {
        IAudioDecoder *decoder = create(kind, parent);
        if (tried)
            tried->append(kind);
        if (decoder->open(path))
            return decoder;
        delete decoder;
    }
    return nullptr;
}

QAudioFormat DecoderFactory::negotiateFormat(IAudioDecoder *decoder, const QAudioDeviceInfo &device)
{
    return negotiateFormat(
        decoder, [&device](const QAudioFormat &f) { return device.isFormatSupported(f); },
        [&device](const QAudioFormat &f) { return device.nearestFormat(f); });
}

QAudioFormat DecoderFactory::negotiateFormat(
    IAudioDecoder *decoder, const Supported &supported, const Nearest &nearest)
{
    QAudioFormat format;
    format.setSampleRate(decoder->sampleRate());
    format.setChannelCount(decoder->channelCount());
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleSize(32);
    format.setSampleType(QAudioFormat::Float);
    if (!supported(format)) {
        format.setSampleType(QAudioFormat::SignedInt);
        if (!supported(format)) {
            format.setSampleSize(24);
            if (!supported(format)) {
                format.setSampleSize(16);
                if (!supported(format))
                    format = nearest(format);
            }
        }
    }

    if (auto *ffmpeg = dynamic_cast<FFmpegDecoder *>(decoder)) {
        ffmpeg->setOutputChannels(format.channelCount());
        ffmpeg->configureOutput(format.sampleType(), format.sampleSize());
    }
    return format;
}

int DecoderFactory::bufferSizeBytes(const QAudioFormat &format)
{
    return format.sampleRate() * format.channelCount() * bytesPerSample(format.sampleSize()) * 2
        / 10;
}
