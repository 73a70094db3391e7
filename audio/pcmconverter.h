#pragma once

#include <QByteArray>

// Converts interleaved little-endian PCM between the layouts the decoders deliver: 16-, 24-
// (packed) and 32-bit signed, and 32-bit float. Integer samples go through a left-aligned 32-bit
// value, so widening is exact and narrowing truncates; float is clamped to -1.0..1.0.
class PcmConverter
{
public:
    PcmConverter() = default;
    PcmConverter(int inSampleSize, int inSampleType, int outSampleSize, int outSampleType);

    // True when the two layouts differ and convert() changes the bytes.
    bool isActive() const { return m_active; }
    // Converts the whole samples of `in`; a trailing partial sample is kept for the next call.
    QByteArray convert(const QByteArray &in);
    // Forgets a kept partial sample (after a seek).
    void reset() { m_carry.clear(); }

private:
    int m_inSize = 16;
    int m_inType = 1;
    int m_outSize = 16;
    int m_outType = 1;
    bool m_active = false;
    QByteArray m_carry;
};
