#include "support/audiosupport.h"

#include "audio/iaudiodecoder.h"
#include "support/testsupport.h"

#include <QFile>
#include <QtEndian>
#include <cmath>

namespace AudioSupport {

QString counterSource(double seconds, int sampleRate)
{
    return QStringLiteral(
        "aevalsrc=exprs='(mod(n\\,65536)-32768)/32768|(32767-mod(n\\,65536))/32768'"
        ":s=%1:d=%2")
        .arg(sampleRate)
        .arg(seconds, 0, 'f', 6);
}

qint64 counterLeft(qint64 frame)
{
    return qint16(frame % 65536 - 32768);
}

qint64 counterRight(qint64 frame)
{
    return qint16(32767 - frame % 65536);
}

QString ramp24Source(double seconds, int sampleRate)
{
    return QStringLiteral("aevalsrc=exprs='(mod(n*37\\,16777216)-8388608)/8388608':s=%1:d=%2")
        .arg(sampleRate)
        .arg(seconds, 0, 'f', 6);
}

qint32 ramp24(qint64 frame)
{
    return qint32(frame * 37 % 16777216 - 8388608);
}

QStringList flac16()
{
    return { QStringLiteral("-c:a"), QStringLiteral("flac"), QStringLiteral("-sample_fmt"),
        QStringLiteral("s16") };
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TrackInfo track(const QString &path, int number, double start, double duration)
{
    TrackInfo info;
    info.number = number;
    info.title = QStringLiteral("Track %1").arg(number);
    info.startSeconds = start;
    info.durationSeconds = duration;
    info.filePath = path;
    info.fileType = QStringLiteral("flac");
    return info;
}

QByteArray readAll(IAudioDecoder *decoder, qint64 chunkBytes)
{
    QByteArray all;
    QByteArray chunk(int(chunkBytes), Qt::Uninitialized);
    for (qint64 got; (got = decoder->read(chunk.data(), chunkBytes)) > 0;)
        all.append(chunk.constData(), int(got));
    return all;
}

QVector<qint64> samplesOf(const QByteArray &bytes, int type, int size)
{
    const int width = type == 3 ? 4 : size / 8;
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    QVector<qint64> out;
    for (int i = 0; i + width <= bytes.size(); i += width) {
        if (type == 3) // exact for these ramps
            out << qint64(std::llround(double(qFromLittleEndian<float>(p + i)) * 2147483648.0));
        else if (width == 4)
            out << qFromLittleEndian<qint32>(p + i);
        else if (width == 3)
            out << (qint32(quint32(p[i]) << 8 | quint32(p[i + 1]) << 16 | quint32(p[i + 2]) << 24)
                >> 8);
        else
            out << qFromLittleEndian<qint16>(p + i);
    }
    return out;
}

} // namespace AudioSupport
