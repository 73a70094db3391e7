#include "media/mp3gapless.h"

#include <QFile>
#include <QVector>

namespace {

const int kMaxField = 4095;

struct Frame
{
    qint64 offset = 0;
    int length = 0;
};

struct Stream
{
    int samplesPerFrame = 0;
    int rate = 0;
    qint64 infoOffset = -1; // the Info/Xing frame, if any
    int lameOffset = -1; // within the Info frame: the LAME extension, if any
    int delay = 0;
    int padding = 0;
    QVector<Frame> frames; // audio frames only
};

// Length and samples of an MPEG-1/2/2.5 layer III frame starting with header h; 0 when h is none.
int frameLength(quint32 h, int *samplesPerFrame, int *sampleRate)
{
    static const int bitrates[2][15] = { { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224,
                                             256, 320 },
        { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 } };
    static const int rates[3] = { 44100, 48000, 32000 };
    if ((h >> 21) != 0x7FF || ((h >> 17) & 3) != 1)
        return 0;
    const int version = (h >> 19) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int bitrateIndex = (h >> 12) & 15;
    const int rateIndex = (h >> 10) & 3;
    if (version == 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int rate = rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    *samplesPerFrame = mpeg1 ? 1152 : 576;
    *sampleRate = rate;
    return (mpeg1 ? 144 : 72) * bitrates[mpeg1 ? 0 : 1][bitrateIndex] * 1000 / rate
        + int((h >> 9) & 1);
}

quint32 be32(const QByteArray &b, int at)
{
    return quint32(quint8(b.at(at))) << 24 | quint32(quint8(b.at(at + 1))) << 16
        | quint32(quint8(b.at(at + 2))) << 8 | quint32(quint8(b.at(at + 3)));
}

bool readStream(QFile &file, Stream *s)
{
    qint64 pos = 0;
    QByteArray head = file.read(10);
    if (head.startsWith("ID3") && head.size() == 10)
        pos = 10
            + ((head.at(6) & 0x7F) << 21 | (head.at(7) & 0x7F) << 14 | (head.at(8) & 0x7F) << 7
                | (head.at(9) & 0x7F));
    while (file.seek(pos)) {
        const QByteArray header = file.read(4);
        int spf = 0;
        int rate = 0;
        const int length = header.size() == 4 ? frameLength(be32(header, 0), &spf, &rate) : 0;
        if (length == 0)
            break;
        if (s->frames.isEmpty() && s->infoOffset < 0) {
            s->samplesPerFrame = spf;
            s->rate = rate;
            const QByteArray frame = header + file.read(length - 4);
            const int tag = std::max(frame.indexOf("Info"), frame.indexOf("Xing"));
            if (tag > 0 && tag < 40) {
                s->infoOffset = pos;
                const quint32 flags = be32(frame, tag + 4);
                int lame = tag + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0)
                    + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
                // Decoders honour the delay fields only under these encoder names.
                const QByteArray encoder = frame.mid(lame, 4);
                if (lame + 36 <= frame.size()
                    && (encoder == "LAME" || encoder == "Lavf" || encoder == "Lavc")) {
                    s->lameOffset = lame;
                    const quint8 *d =
                        reinterpret_cast<const quint8 *>(frame.constData()) + lame + 21;
                    s->delay = d[0] << 4 | d[1] >> 4;
                    s->padding = (d[1] & 15) << 8 | d[2];
                }
                pos += length;
                continue;
            }
        }
        s->frames.append(Frame { pos, length });
        pos += length;
    }
    return s->samplesPerFrame > 0 && !s->frames.isEmpty();
}

// CRC-16 (polynomial 0x8005, reflected) as the LAME tag carries it.
quint16 lameCrc(const char *data, int size)
{
    quint16 crc = 0;
    for (int i = 0; i < size; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

} // namespace

bool Mp3Gapless::fixCut(
    const QString &sourcePath, const QString &cutPath, double startSeconds, double durationSeconds)
{
    QFile sourceFile(sourcePath);
    QFile cutFile(cutPath);
    Stream source;
    Stream cut;
    if (!sourceFile.open(QIODevice::ReadOnly) || !cutFile.open(QIODevice::ReadWrite)
        || !readStream(sourceFile, &source) || !readStream(cutFile, &cut) || cut.lameOffset < 0
        || cut.samplesPerFrame != source.samplesPerFrame)
        return false;
    const int spf = source.samplesPerFrame;
    const qint64 decoderDelay = 529;
    // Where the source's decoded samples begin among its frames' raw output.
    const qint64 sourceSkip = source.lameOffset >= 0 ? source.delay + decoderDelay : 0;
    const qint64 startSample = qRound64(startSeconds * source.rate);
    // The last track's length comes from a probe that may count the source's padding.
    const qint64 sourceEnd = qint64(source.frames.size()) * spf
        - (source.lameOffset >= 0 ? source.delay + source.padding : 0);
    const qint64 endSample = durationSeconds > 0.0
        ? std::min(sourceEnd, qRound64((startSeconds + durationSeconds) * source.rate))
        : sourceEnd;

    // The cut's first audio frame is one of the source's: find it by its bytes near the start.
    cutFile.seek(cut.frames.first().offset);
    const QByteArray first = cutFile.read(cut.frames.first().length);
    const qint64 expected = (startSample + sourceSkip) / spf;
    int found = -1;
    for (qint64 f = std::max<qint64>(0, expected - 16);
         f < std::min<qint64>(source.frames.size(), expected + 16) && found < 0; ++f) {
        sourceFile.seek(source.frames.at(int(f)).offset);
        if (sourceFile.read(source.frames.at(int(f)).length) == first)
            found = int(f);
    }
    if (found < 0)
        return false;
    const qint64 delay = startSample + sourceSkip - decoderDelay - qint64(found) * spf;
    const qint64 padding = qint64(cut.frames.size()) * spf - delay - (endSample - startSample);
    if (delay < 0 || delay > kMaxField || padding < 0 || padding > kMaxField)
        return false;

    // The tag's own CRC covers the frame up to it.
    const int crcAt = cut.lameOffset + 34;
    cutFile.seek(cut.infoOffset);
    QByteArray frame = cutFile.read(crcAt + 2);
    if (frame.size() < crcAt + 2)
        return false;
    frame[cut.lameOffset + 21] = char(delay >> 4);
    frame[cut.lameOffset + 22] = char((delay & 15) << 4 | padding >> 8);
    frame[cut.lameOffset + 23] = char(padding & 255);
    const quint16 crc = lameCrc(frame.constData(), crcAt);
    frame[crcAt] = char(crc >> 8);
    frame[crcAt + 1] = char(crc & 255);
    return cutFile.seek(cut.infoOffset) && cutFile.write(frame) == frame.size() && cutFile.flush();
}
