#include "audio/wmfdecoder.h"

#include "audio/mediasourcereader.h"

#include <cstring>
#include <limits>

namespace {

constexpr qint64 kTicksPerMs = 10000; // 100-ns units
constexpr qint64 kTicksPerSecond = 10000000;
// Samples without audio one read may go through before it gives up for the moment: a reader
// that keeps answering with nothing must not hold the filler thread forever.
constexpr int kMaxEmptySamples = 64;

} // namespace

WmfDecoder::WmfDecoder(QObject *parent)
    : QObject(parent)
{ }

WmfDecoder::~WmfDecoder()
{
    close();
}

bool WmfDecoder::open(const QString &path)
{
    close();
    auto reader = std::make_unique<MediaSourceReader>();
    if (!reader->open(path))
        return false;
    const int bits = reader->bitsPerSample();
    // Only what the output plays as signed integers; 8-bit PCM would be unsigned.
    if (reader->sampleRate() <= 0 || reader->channelCount() <= 0
        || (bits != 16 && bits != 24 && bits != 32))
        return false;
    m_sampleRate = reader->sampleRate();
    m_channels = reader->channelCount();
    m_sampleSize = bits;
    m_durationMs = qMax<qint64>(0, reader->duration() / kTicksPerMs);
    m_reader = std::move(reader);
    return true;
}

void WmfDecoder::close()
{
    m_reader.reset();
    m_pending.clear();
    m_sampleRate = 0;
    m_channels = 0;
    m_sampleSize = 16;
    m_durationMs = 0;
    m_position = 0;
    m_endOfStream = false;
    m_seekTarget = -1;
}

bool WmfDecoder::seek(qint64 ms)
{
    if (!m_reader || ms < 0 || ms > std::numeric_limits<qint64>::max() / kTicksPerMs)
        return false;
    if (!m_reader->setPosition(ms * kTicksPerMs))
        return false;
    m_pending.clear();
    m_endOfStream = false;
    m_seekTarget = ms * kTicksPerMs;
    return true;
}

qint64 WmfDecoder::read(char *data, qint64 maxBytes)
{
    if (!m_reader || maxBytes <= 0)
        return 0;
    if (m_pending.isEmpty()) {
        if (m_endOfStream)
            return 0;
        decodeSample();
    }
    const int count = int(qMin<qint64>(m_pending.size(), maxBytes));
    std::memcpy(data, m_pending.constData(), size_t(count));
    m_pending.remove(0, count);
    return count;
}

void WmfDecoder::decodeSample()
{
    int empty = 0;
    while (m_pending.isEmpty() && empty < kMaxEmptySamples) {
        MediaSourceReader::Sample sample;
        if (!m_reader->readSample(&sample))
            return;
        if (sample.endOfStream) {
            m_endOfStream = true;
            return;
        }
        if (sample.hasTime)
            m_position = sample.time;
        if (sample.pcm.isEmpty())
            ++empty;
        else
            appendFromTarget(sample.pcm, sample.time, sample.hasTime);
    }
}

// The framework resumes at a key unit at or before the seek target; the audio before the target
// belongs to what the listener skipped (on a CUE sheet, to the previous track).
void WmfDecoder::appendFromTarget(const QByteArray &pcm, qint64 time, bool hasTime)
{
    if (m_seekTarget < 0 || !hasTime || time >= m_seekTarget) {
        m_pending.append(pcm);
        m_seekTarget = -1;
        return;
    }
    const qint64 frameBytes = qint64(bytesPerSample(m_sampleSize)) * m_channels;
    // Rounded: time stamps are truncated to whole 100-ns units.
    const qint64 frames =
        ((m_seekTarget - time) * m_sampleRate + kTicksPerSecond / 2) / kTicksPerSecond;
    const qint64 skip = frames * frameBytes;
    if (skip >= pcm.size())
        return;
    m_pending.append(pcm.constData() + skip, int(pcm.size() - skip));
    m_position = m_seekTarget;
    m_seekTarget = -1;
}
