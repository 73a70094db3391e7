#include "audio/decoderiodevice.h"

#include "audio/iaudiodecoder.h"

#include <QThread>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

constexpr int kChunkBytes = 65536;
constexpr int kFullSleepMs = 5;
constexpr int kEmptySleepMs = 2;
// Reads in a row that gave nothing before the stream counts as finished (about 20 ms).
constexpr int kEmptyReadsForEnd = 10;
constexpr int kFloat = 3;

} // namespace

DecoderIODevice::DecoderIODevice(IAudioDecoder *decoder, QObject *parent)
    : QIODevice(parent)
    , m_decoder(decoder)
{
    captureFormat();
}

DecoderIODevice::~DecoderIODevice()
{
    // A running QThread must never be destroyed; closing here makes a forgotten close harmless.
    stopFiller();
}

void DecoderIODevice::captureFormat()
{
    if (!m_decoder)
        return;
    const int inSize = m_decoder->sampleSize();
    const int inType = m_decoder->sampleType();
    m_sampleRate = m_decoder->sampleRate();
    m_channels = m_decoder->channelCount();
    if (m_outSampleSize <= 0) {
        m_outSampleSize = inSize;
        m_outSampleType = inType;
    }
    const auto width = [](int size, int type) { return type == kFloat ? 4 : bytesPerSample(size); };
    m_inFrameBytes = m_channels * width(inSize, inType);
    m_outFrameBytes = m_channels * width(m_outSampleSize, m_outSampleType);
    m_converter = PcmConverter(inSize, inType, m_outSampleSize, m_outSampleType);
}

void DecoderIODevice::setOutputFormat(int sampleSize, int sampleType)
{
    if (m_filler)
        return;
    m_outSampleSize = sampleSize;
    m_outSampleType = sampleType;
    captureFormat();
}

bool DecoderIODevice::open(OpenMode mode)
{
    stopFiller();
    // Unbuffered: QIODevice's own read-ahead would keep audio from before a seek and count it
    // as handed to the output.
    if (!QIODevice::open(mode | QIODevice::Unbuffered))
        return false;
    captureFormat();
    m_highWaterBytes = 0;
    if (m_decoder && m_outFrameBytes > 0)
        m_highWaterBytes = m_sampleRate * m_channels * bytesPerSample(m_outSampleSize) * 9 / 10;
    startFiller();
    return isOpen();
}

void DecoderIODevice::close()
{
    stopFiller();
    QIODevice::close();
}

void DecoderIODevice::startFiller()
{
    stopFiller();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_discardPending = false;
    }
    m_running = true;
    m_filler = QThread::create([this] { fillLoop(); });
    m_filler->setObjectName(QStringLiteral("DecoderIODeviceFiller"));
    m_filler->start(QThread::HighPriority);
}

void DecoderIODevice::stopFiller()
{
    if (!m_filler)
        return;
    m_running = false;
    m_filler->quit();
    m_filler->wait();
    delete m_filler;
    m_filler = nullptr;
}

void DecoderIODevice::fillLoop()
{
    // Whole input frames only, so a conversion or the end limit never splits a frame.
    const int capacity =
        m_inFrameBytes > 0 ? kChunkBytes - kChunkBytes % m_inFrameBytes : kChunkBytes;
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    while (m_running && m_decoder) {
        bool full;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_discardPending) {
                m_frontByte += unreadBytes();
                m_buffer.resize(0);
                m_bufferOffset = 0;
                m_discardPending = false;
            }
            full = unreadBytes() >= m_highWaterBytes
                || (m_endByte >= 0 && m_frontByte + unreadBytes() >= m_endByte);
        }
        if (full) {
            QThread::msleep(kFullSleepMs);
            continue;
        }

        QByteArray piece;
        {
            std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
            const qint64 got = m_decoder->read(chunk.data(), capacity);
            if (got > 0) {
                piece = m_converter.convert(QByteArray(chunk.constData(), int(got)));
                appendChunk(piece);
            } else {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_emptyReads;
            }
        }
        if (piece.isEmpty()) {
            QThread::msleep(kEmptySleepMs);
            continue;
        }

        float l = 0;
        float r = 0;
        if (measureLevels(piece.constData(), piece.size(), m_channels, m_outSampleSize,
                m_outSampleType, &l, &r)) {
            QMetaObject::invokeMethod(
                this, [this, l, r] { emit levelChanged(l, r); }, Qt::QueuedConnection);
        }
    }
}

void DecoderIODevice::appendChunk(QByteArray chunk)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_emptyReads = 0;
    if (m_endByte >= 0) {
        const qint64 room = m_endByte - (m_frontByte + unreadBytes());
        chunk.truncate(int(qBound<qint64>(0, room, chunk.size())));
    }
    if (m_bufferOffset > 0 && m_bufferOffset >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_bufferOffset);
        m_bufferOffset = 0;
    }
    m_buffer.append(chunk);
}

qint64 DecoderIODevice::readData(char *data, qint64 maxSize)
{
    if (maxSize <= 0)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    qint64 available = unreadBytes();
    if (m_endByte >= 0)
        available = qBound<qint64>(0, m_endByte - m_frontByte, available);
    if (available <= 0) {
        std::memset(data, 0, size_t(maxSize));
        return maxSize;
    }
    const qint64 count = qMin(available, maxSize);
    std::memcpy(data, m_buffer.constData() + m_bufferOffset, size_t(count));
    m_bufferOffset += int(count);
    m_frontByte += count;
    if (m_bufferOffset >= m_buffer.size()) {
        m_buffer.resize(0);
        m_bufferOffset = 0;
    }
    return count;
}

qint64 DecoderIODevice::writeData(const char *, qint64)
{
    return -1;
}

void DecoderIODevice::clearBuffer()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frontByte += unreadBytes();
    m_buffer.resize(0);
    m_bufferOffset = 0;
    m_discardPending = true;
}

bool DecoderIODevice::seekDecoder(qint64 ms)
{
    if (!m_decoder)
        return false;
    std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
    if (!m_decoder->seek(ms))
        return false;
    m_converter.reset();
    std::lock_guard<std::mutex> lock(m_mutex);
    // The filler cannot be inside read() now, so nothing from before the seek is on its way;
    // an older discard request would only drop audio decoded after the seek.
    m_buffer.resize(0);
    m_bufferOffset = 0;
    m_discardPending = false;
    m_frontByte = bytesForMs(ms);
    m_emptyReads = 0;
    return true;
}

qint64 DecoderIODevice::decoderPositionMs() const
{
    if (!m_decoder)
        return 0;
    std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
    return m_decoder->positionMs();
}

qint64 DecoderIODevice::bytesForMs(qint64 ms) const
{
    return qint64(ms) * m_sampleRate / 1000 * m_outFrameBytes;
}

qint64 DecoderIODevice::playedPositionMs() const
{
    if (m_sampleRate <= 0 || m_outFrameBytes <= 0)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return (m_frontByte / m_outFrameBytes * 1000 + m_sampleRate / 2) / m_sampleRate;
}

void DecoderIODevice::setEndPositionMs(qint64 ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_endByte = ms < 0 ? -1 : bytesForMs(ms);
}

qint64 DecoderIODevice::bufferedBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return unreadBytes();
}

bool DecoderIODevice::isFinished() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_endByte >= 0 && m_frontByte >= m_endByte)
        return true;
    return unreadBytes() == 0 && m_emptyReads >= kEmptyReadsForEnd;
}

bool DecoderIODevice::measureLevels(
    const char *data, qint64 size, int channels, int sampleSize, int sampleType, float *l, float *r)
{
    if (!data || size <= 0 || channels <= 0)
        return false;
    int width;
    double scale;
    if (sampleType == kFloat) {
        width = 4;
        scale = 1.0;
    } else if (sampleSize == 16) {
        width = 2;
        scale = 1.0 / 32768;
    } else if (sampleSize == 24) {
        width = 3;
        scale = 1.0 / 8388608;
    } else if (sampleSize == 32) {
        width = 4;
        scale = 1.0 / 2147483648.0;
    } else {
        return false;
    }

    const qint64 frames = size / (qint64(channels) * width);
    if (frames <= 0) {
        *l = *r = 0;
        return true;
    }
    const auto valueAt = [&](const uchar *p) -> float {
        if (sampleType == kFloat) {
            float v;
            std::memcpy(&v, p, 4);
            return std::fabs(v);
        }
        qint64 v;
        if (width == 2)
            v = qFromLittleEndian<qint16>(p);
        else if (width == 3)
            v = qint32(quint32(p[0]) << 8 | quint32(p[1]) << 16 | quint32(p[2]) << 24) >> 8;
        else
            v = qFromLittleEndian<qint32>(p);
        return float(std::abs(v) * scale);
    };

    double left = 0;
    double right = 0;
    const auto *frame = reinterpret_cast<const uchar *>(data);
    for (qint64 i = 0; i < frames; ++i, frame += channels * width) {
        const float a = valueAt(frame);
        left += a * a;
        if (channels >= 2) {
            const float b = valueAt(frame + width);
            right += b * b;
        }
    }
    *l = float(std::sqrt(left / frames));
    *r = channels >= 2 ? float(std::sqrt(right / frames)) : *l;
    return true;
}
