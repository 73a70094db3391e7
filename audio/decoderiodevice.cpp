#include "audio/decoderiodevice.h"

#include "audio/iaudiodecoder.h"

#include <QThread>
#include <QtEndian>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

constexpr int kChunkBytes = 65536;
constexpr int kEmptySleepMs = 2;
// Reads in a row that gave nothing before the stream counts as finished (about 20 ms).
constexpr int kEmptyReadsForEnd = 10;

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
        m_running = true;
    }
    m_filler = QThread::create([this] { fillLoop(); });
    m_filler->setObjectName(QStringLiteral("DecoderIODeviceFiller"));
    m_filler->start(QThread::HighPriority);
}

void DecoderIODevice::stopFiller()
{
    if (!m_filler)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = false;
    }
    m_wake.notify_all();
    m_filler->quit();
    m_filler->wait();
    delete m_filler;
    m_filler = nullptr;
}

bool DecoderIODevice::bufferFull() const
{
    return unreadBytes() >= m_highWaterBytes
        || (m_endByte >= 0 && m_frontByte + unreadBytes() >= m_endByte);
}

void DecoderIODevice::fillLoop()
{
    // Whole input frames only, so a conversion or the end limit never splits a frame.
    const int capacity =
        m_inFrameBytes > 0 ? kChunkBytes - kChunkBytes % m_inFrameBytes : kChunkBytes;
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    if (!m_decoder)
        return;
    while (m_running) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_discardPending) {
                m_frontByte += unreadBytes();
                m_buffer.resize(0);
                m_bufferOffset = 0;
                m_discardPending = false;
            }
            // Full, or the stream has ended: nothing to do until a read, a seek, a new limit or
            // the stop changes that. Paused playback costs no wake-ups.
            m_wake.wait(lock, [this] {
                return !m_running || m_discardPending
                    || (!bufferFull()
                        && (m_emptyReads < kEmptyReadsForEnd || (m_nextDecoder && m_endByte < 0)));
            });
            if (!m_running)
                break;
        }

        QByteArray piece;
        bool joined = false;
        {
            std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
            const qint64 got = m_decoder->read(chunk.data(), capacity);
            if (got > 0) {
                piece = m_converter.convert(QByteArray(chunk.constData(), int(got)));
                appendChunk(piece);
            } else {
                std::lock_guard<std::mutex> lock(m_mutex);
                joined = ++m_emptyReads >= kEmptyReadsForEnd && joinNextLocked();
            }
            m_filled.notify_all();
        }
        if (!joined && piece.isEmpty()) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(kEmptySleepMs),
                [this] { return !m_running || m_discardPending; });
        }
    }
}

void DecoderIODevice::appendChunk(QByteArray chunk)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_emptyReads = 0;
    if (m_skipBytes > 0) {
        const int skip = int(qMin<qint64>(m_skipBytes, chunk.size()));
        chunk.remove(0, skip);
        m_skipBytes -= skip;
    }
    if (m_endByte >= 0) {
        const qint64 room = m_endByte - (m_frontByte + unreadBytes());
        chunk.truncate(int(qBound<qint64>(0, room, chunk.size())));
    }
    if (chunk.isEmpty())
        return;
    m_decodedAudio = true;
    if (m_bufferOffset > 0 && m_bufferOffset >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_bufferOffset);
        m_bufferOffset = 0;
    }
    m_buffer.append(chunk);
    m_filled.notify_all();
}

bool DecoderIODevice::joinNextLocked()
{
    if (!m_nextDecoder || m_endByte >= 0 || m_outFrameBytes <= 0)
        return false;
    m_joinFrame = (m_frontByte + unreadBytes()) / m_outFrameBytes;
    m_joinedDecoder = m_decoder;
    m_decoder = m_nextDecoder;
    m_nextDecoder = nullptr;
    m_emptyReads = 0;
    m_skipBytes = 0;
    m_converter.reset();
    return true;
}

bool DecoderIODevice::setNextDecoder(IAudioDecoder *next)
{
    {
        std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_joinFrame >= 0)
            return false;
        m_nextDecoder = next;
    }
    m_wake.notify_all();
    return true;
}

qint64 DecoderIODevice::joinFrame() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_joinFrame;
}

void DecoderIODevice::completeJoin()
{
    std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_joinFrame < 0)
        return;
    const qint64 bytes = m_joinFrame * m_outFrameBytes;
    m_frontByte -= bytes;
    if (m_endByte >= 0)
        m_endByte -= bytes;
    m_envelope.fadeInStart -= m_joinFrame;
    if (m_envelope.fadeOutEnd >= 0)
        m_envelope.fadeOutEnd -= m_joinFrame;
    if (m_rampStart >= 0)
        m_rampStart -= m_joinFrame;
    m_joinedDecoder = nullptr;
    m_joinFrame = -1;
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
    // Whole frames, so each one gets its own gain.
    qint64 count = qMin(available, maxSize);
    if (m_outFrameBytes > 0 && count >= m_outFrameBytes)
        count -= count % m_outFrameBytes;
    std::memcpy(data, m_buffer.constData() + m_bufferOffset, size_t(count));
    if (m_outFrameBytes > 0)
        applyGain(data, count, m_frontByte / m_outFrameBytes);
    m_bufferOffset += int(count);
    m_frontByte += count;
    if (m_bufferOffset >= m_buffer.size()) {
        m_buffer.resize(0);
        m_bufferOffset = 0;
    }
    if (m_levelsWanted)
        measureHandedOverLocked(data, count);
    // The filler sleeps until the buffer is down to two thirds, then fills it up in one go.
    if (unreadBytes() < m_highWaterBytes / 3 * 2 && !bufferFull())
        m_wake.notify_one();
    return count;
}

qint64 DecoderIODevice::frameAt(double seconds, int sampleRate)
{
    return qRound64(seconds * sampleRate);
}

double DecoderIODevice::Envelope::gainAt(qint64 frame) const
{
    if (!enabled)
        return 1.0;
    double gain = 1.0;
    const qint64 in = frame - fadeInStart;
    if (in >= 0 && in < fadeInFrames)
        gain = double(in) / fadeInFrames;
    if (fadeOutEnd >= 0) {
        const qint64 remaining = fadeOutEnd - frame;
        if (remaining >= 0 && remaining < fadeOutFrames)
            gain = qMin(gain, double(remaining) / fadeOutFrames);
    }
    return gain;
}

double DecoderIODevice::gainLocked(qint64 frame) const
{
    double gain = m_envelope.gainAt(frame);
    if (m_rampStart >= 0 && frame >= m_rampStart) {
        const qint64 into = frame - m_rampStart;
        gain *= into >= m_rampFrames ? 0.0 : double(m_rampFrames - into) / m_rampFrames;
    }
    return gain;
}

double DecoderIODevice::gainAt(qint64 frame) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return gainLocked(frame);
}

void DecoderIODevice::setEnvelope(const Envelope &envelope)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_envelope = envelope;
}

qint64 DecoderIODevice::startFadeOut(qint64 frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const qint64 next = m_outFrameBytes > 0 ? m_frontByte / m_outFrameBytes : 0;
    if (m_rampStart < 0) { // a running ramp keeps its course
        m_rampStart = next;
        m_rampFrames = qMax<qint64>(1, frames);
    }
    return m_rampStart + m_rampFrames;
}

void DecoderIODevice::applyGain(char *data, qint64 bytes, qint64 firstFrame) const
{
    const qint64 frames = bytes / m_outFrameBytes;
    const qint64 lastFrame = firstFrame + frames - 1;
    // Most of a track plays at full gain: leave those samples untouched.
    const auto touches = [&](qint64 from, qint64 to) {
        return from <= lastFrame && to >= firstFrame;
    };
    const Envelope &e = m_envelope;
    const bool fading =
        (e.enabled
            && (touches(e.fadeInStart, e.fadeInStart + e.fadeInFrames)
                || (e.fadeOutEnd >= 0 && touches(e.fadeOutEnd - e.fadeOutFrames, e.fadeOutEnd))))
        || (m_rampStart >= 0 && lastFrame >= m_rampStart);
    if (!fading)
        return;
    const int width = m_outSampleType == kFloat ? 4 : bytesPerSample(m_outSampleSize);
    auto *p = reinterpret_cast<uchar *>(data);
    for (qint64 f = 0; f < frames; ++f) {
        const double gain = gainLocked(firstFrame + f);
        for (int c = 0; c < m_channels; ++c, p += width) {
            if (m_outSampleType == kFloat) {
                float v;
                std::memcpy(&v, p, 4);
                v = float(v * gain);
                std::memcpy(p, &v, 4);
            } else if (width == 2) {
                qToLittleEndian(qint16(std::lround(qFromLittleEndian<qint16>(p) * gain)), p);
            } else if (width == 3) {
                const qint32 v =
                    qint32(quint32(p[0]) << 8 | quint32(p[1]) << 16 | quint32(p[2]) << 24) >> 8;
                const qint32 scaled = qint32(std::lround(v * gain));
                p[0] = uchar(scaled);
                p[1] = uchar(scaled >> 8);
                p[2] = uchar(scaled >> 16);
            } else {
                qToLittleEndian(qint32(std::llround(qFromLittleEndian<qint32>(p) * gain)), p);
            }
        }
    }
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
    m_wake.notify_all();
}

bool DecoderIODevice::seekFrame(qint64 frame)
{
    if (!m_decoder || m_sampleRate <= 0)
        return false;
    frame = qMax<qint64>(0, frame);
    // Decoders seek in whole ms, to the frame the ms starts on; the frames up to the one asked
    // for are dropped as they arrive.
    {
        std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
        // Past a join not yet heard, frames before it belong to the decoder before it.
        IAudioDecoder *target = m_decoder;
        qint64 base = 0;
        if (m_joinFrame >= 0 && frame < m_joinFrame)
            target = m_joinedDecoder;
        else if (m_joinFrame >= 0)
            base = m_joinFrame;
        const qint64 ms = (frame - base) * 1000 / m_sampleRate;
        const qint64 landed = base + ms * m_sampleRate / 1000;
        if (!target->seek(ms))
            return false;
        m_converter.reset();
        // Back before the join: the next decoder waits at its start again (or is dropped when
        // it cannot get there).
        const bool rewound = target != m_decoder && m_decoder->seek(0);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (target != m_decoder) {
            m_nextDecoder = rewound ? m_decoder : nullptr;
            m_decoder = target;
            m_joinedDecoder = nullptr;
            m_joinFrame = -1;
        }
        // The filler cannot be inside read() now, so nothing from before the seek is on its
        // way; an older discard request would only drop audio decoded after the seek.
        m_buffer.resize(0);
        m_bufferOffset = 0;
        m_discardPending = false;
        m_frontByte = frame * m_outFrameBytes;
        m_skipBytes = (frame - landed) * m_outFrameBytes;
        m_emptyReads = 0;
        m_decodedAudio = false;
        m_rampStart = -1;
    }
    m_wake.notify_all();
    return true;
}

qint64 DecoderIODevice::decoderPositionMs() const
{
    std::lock_guard<std::mutex> decoderLock(m_decoderMutex);
    return m_decoder ? m_decoder->positionMs() : 0;
}

qint64 DecoderIODevice::playedFrame() const
{
    if (m_outFrameBytes <= 0)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frontByte / m_outFrameBytes;
}

qint64 DecoderIODevice::playedPositionMs() const
{
    if (m_sampleRate <= 0)
        return 0;
    return (playedFrame() * 1000 + m_sampleRate / 2) / m_sampleRate;
}

void DecoderIODevice::setEndFrame(qint64 frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_endByte = frame < 0 ? -1 : frame * m_outFrameBytes;
    }
    m_wake.notify_all();
}

bool DecoderIODevice::hasDecodedAudio() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_decodedAudio;
}

void DecoderIODevice::waitForBuffered(qint64 bytes, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_filled.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this, bytes] {
        return !m_running || unreadBytes() >= qMin<qint64>(bytes, m_highWaterBytes) || bufferFull()
            || m_emptyReads >= kEmptyReadsForEnd;
    });
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
    return unreadBytes() == 0 && m_emptyReads >= kEmptyReadsForEnd
        && !(m_nextDecoder && m_endByte < 0);
}
