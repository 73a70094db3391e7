#include "support/audiosupport.h"

#include "audio/iaudiodecoder.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace AudioSupport {

QString counterSource(double seconds, int sampleRate)
{
    return QStringLiteral(
        "aevalsrc=exprs='(mod(n\\,65536)-32768)/32768|(32767-mod(n\\,65536))/32768'"
        ":s=%1:d=%2")
        .arg(sampleRate)
        .arg(seconds, 0, 'f', 6);
}

qint16 counterLeft(qint64 frame)
{
    return qint16(frame % 65536 - 32768);
}

qint16 counterRight(qint64 frame)
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

bool encode(const QString &path, const QString &source, const QStringList &outputOptions)
{
    return TestSupport::makeAudio(path, source, outputOptions);
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
    for (;;) {
        const qint64 got = decoder->read(chunk.data(), chunkBytes);
        if (got <= 0)
            break;
        all.append(chunk.constData(), int(got));
    }
    return all;
}

QByteArray ffmpegDecode(const QString &path, const QString &format, const QStringList &extraOptions)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.raw"));
    QStringList args { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
        QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), path };
    args << extraOptions << QStringLiteral("-f") << format << out;
    if (!TestSupport::run(QStringLiteral("ffmpeg"), args))
        return {};
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QVector<qint16> toInt16(const QByteArray &bytes)
{
    QVector<qint16> values(bytes.size() / 2);
    for (int i = 0; i < values.size(); ++i)
        values[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return values;
}

QVector<qint32> toInt32(const QByteArray &bytes)
{
    QVector<qint32> values(bytes.size() / 4);
    for (int i = 0; i < values.size(); ++i)
        values[i] = qFromLittleEndian<qint32>(bytes.constData() + 4 * i);
    return values;
}

QVector<float> toFloat(const QByteArray &bytes)
{
    QVector<float> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.constData(), size_t(values.size()) * 4);
    return values;
}

QVector<qint32> packed24ToInt32(const QByteArray &bytes)
{
    QVector<qint32> values(bytes.size() / 3);
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i < values.size(); ++i, p += 3)
        values[i] = qint32(quint32(p[0]) << 8 | quint32(p[1]) << 16 | quint32(p[2]) << 24) >> 8;
    return values;
}

QVector<qint64> samplesOf(const QByteArray &bytes, int type, int size)
{
    QVector<qint64> out;
    if (type == 3) {
        for (float v : toFloat(bytes))
            out << qint64(std::llround(double(v) * 2147483648.0)); // exact for these ramps
    } else if (size == 32) {
        for (qint32 v : toInt32(bytes))
            out << v;
    } else if (size == 24) {
        for (qint32 v : packed24ToInt32(bytes))
            out << v;
    } else {
        for (qint16 v : toInt16(bytes))
            out << v;
    }
    return out;
}

} // namespace AudioSupport
