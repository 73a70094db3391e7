// DecoderIODevice's levels: what is handed to the output is measured in 40 ms blocks while a
// meter is shown, and the meter takes one block per 40 ms of the clock.
#include "audio/decoderiodevice.h"

#include <QtEndian>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

// Level blocks measured ahead of the meter: the output's buffer (200 ms); more is old news.
constexpr size_t kMaxLevelBlocks = 5;

} // namespace

void DecoderIODevice::measureHandedOverLocked(const char *data, qint64 bytes)
{
    if (m_outFrameBytes <= 0)
        return;
    const qint64 blockFrames = levelBlockFrames();
    while (bytes >= m_outFrameBytes) {
        const qint64 frames = qMin(bytes / m_outFrameBytes, blockFrames - m_levelFrames);
        float l = 0;
        float r = 0;
        if (!measureLevels(data, frames * m_outFrameBytes, m_channels, m_outSampleSize,
                m_outSampleType, &l, &r))
            return;
        m_levelSquaresL += double(l) * l * frames;
        m_levelSquaresR += double(r) * r * frames;
        m_levelFrames += frames;
        data += frames * m_outFrameBytes;
        bytes -= frames * m_outFrameBytes;
        if (m_levelFrames < blockFrames)
            continue;
        m_levelBlocks.emplace_back(float(std::sqrt(m_levelSquaresL / m_levelFrames)),
            float(std::sqrt(m_levelSquaresR / m_levelFrames)));
        m_levelSquaresL = m_levelSquaresR = 0;
        m_levelFrames = 0;
        // Far behind (the meter's frames stopped): the oldest blocks are no longer worth showing.
        if (m_levelBlocks.size() > kMaxLevelBlocks)
            m_levelBlocks.pop_front();
    }
}

void DecoderIODevice::setLevelsWanted(bool wanted)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_levelsWanted = wanted;
    m_levelSquaresL = m_levelSquaresR = 0;
    m_levelFrames = 0;
    m_levelBlocks.clear();
    m_levelsPublished = -1;
}

qint64 DecoderIODevice::levelBlockFrames() const
{
    return qMax(1, m_sampleRate / 25);
}

void DecoderIODevice::publishLevel()
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    std::pair<float, float> level;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_levelBlocks.empty())
            return;
        const auto blockTime = milliseconds(1000 * levelBlockFrames() / qMax(1, m_sampleRate));
        // The first block, or none for more than a block's time (a stalled output): the clock
        // starts again. Blocks arriving a little late, between the output's steps, keep it.
        if (m_levelsPublished < 0 || now > m_levelClock + blockTime * (m_levelsPublished + 1)) {
            m_levelClock = now;
            m_levelsPublished = 0;
        }
        if (now < m_levelClock + blockTime * m_levelsPublished)
            return;
        level = m_levelBlocks.front();
        m_levelBlocks.pop_front();
        ++m_levelsPublished;
    }
    emit levelChanged(level.first, level.second);
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
