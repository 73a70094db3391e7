#include "audio/pcmconverter.h"

#include "audio/iaudiodecoder.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

constexpr int kFloat = 3;

// A sample as a left-aligned signed 32-bit value.
qint32 readSample(const uchar *p, int size, int type)
{
    if (type == kFloat) {
        float value;
        std::memcpy(&value, p, 4);
        const double clamped = value >= 1.0f ? 1.0 : (value > -1.0f ? double(value) : -1.0);
        return qint32(qBound(-2147483648.0, std::floor(clamped * 2147483648.0), 2147483647.0));
    }
    switch (size) {
    case 32:
        return qFromLittleEndian<qint32>(p);
    case 24:
        return qint32(quint32(p[0]) << 8 | quint32(p[1]) << 16 | quint32(p[2]) << 24);
    default:
        return qint32(quint32(quint16(qFromLittleEndian<qint16>(p))) << 16);
    }
}

void writeSample(uchar *p, qint32 value, int size, int type)
{
    if (type == kFloat) {
        const float out = float(double(value) / 2147483648.0);
        std::memcpy(p, &out, 4);
        return;
    }
    switch (size) {
    case 32:
        qToLittleEndian<qint32>(value, p);
        break;
    case 24:
        p[0] = uchar(quint32(value) >> 8);
        p[1] = uchar(quint32(value) >> 16);
        p[2] = uchar(quint32(value) >> 24);
        break;
    default:
        qToLittleEndian<qint16>(qint16(value >> 16), p);
        break;
    }
}

int widthOf(int size, int type)
{
    return type == kFloat ? 4 : bytesPerSample(size);
}

} // namespace

PcmConverter::PcmConverter(int inSampleSize, int inSampleType, int outSampleSize, int outSampleType)
    : m_inSize(inSampleSize)
    , m_inType(inSampleType)
    , m_outSize(outSampleSize)
    , m_outType(outSampleType)
{
    const bool sameFloat = inSampleType == kFloat && outSampleType == kFloat;
    m_active = !sameFloat && (inSampleType != outSampleType || inSampleSize != outSampleSize);
}

QByteArray PcmConverter::convert(const QByteArray &in)
{
    if (!m_active)
        return in;
    const QByteArray source = m_carry.isEmpty() ? in : m_carry + in;
    const int inWidth = widthOf(m_inSize, m_inType);
    const int outWidth = widthOf(m_outSize, m_outType);
    const int samples = source.size() / inWidth;
    m_carry = source.mid(samples * inWidth);

    QByteArray out(samples * outWidth, Qt::Uninitialized);
    const auto *from = reinterpret_cast<const uchar *>(source.constData());
    auto *to = reinterpret_cast<uchar *>(out.data());
    for (int i = 0; i < samples; ++i, from += inWidth, to += outWidth)
        writeSample(to, readSample(from, m_inSize, m_inType), m_outSize, m_outType);
    return out;
}
