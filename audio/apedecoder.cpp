#include "audio/apedecoder.h"

#include <QDir>

#include <climits>
#include <cstring>
#include <string>

#ifdef Q_OS_WIN
// The library's exports use the standard Windows calling convention.
#define APE_CALL __stdcall
static const char kDefaultLibrary[] = "MACDll.dll";
#else
#define APE_CALL
static const char kDefaultLibrary[] = "libMAC.so";
#endif

namespace {

// Field ids of the library's info query.
constexpr int kInfoSampleRate = 1003;
constexpr int kInfoBitsPerSample = 1004;
constexpr int kInfoChannels = 1006;
constexpr int kInfoTotalBlocks = 1016;

// Bound one call's buffer whatever capacity the caller offers or the file claims.
constexpr qint64 kMaxBlocksPerRead = 1 << 16;
constexpr int kMaxChannels = 32;

QString &libraryOverride()
{
    static QString path;
    return path;
}

template <typename Function>
bool resolve(QLibrary &library, Function &function, const char *first, const char *second)
{
    QFunctionPointer found = library.resolve(first);
    if (!found)
        found = library.resolve(second);
    function = reinterpret_cast<Function>(found);
    return found != nullptr;
}

} // namespace

// Counts and positions are pointer-sized where newer releases of the library take them so;
// older ones read or write only the low half, which is the same value on little-endian.
struct ApeDecoder::Functions
{
    void *(APE_CALL *create)(const wchar_t *path, int *error) = nullptr;
    void(APE_CALL *destroy)(void *decompressor) = nullptr;
    int(APE_CALL *getInfo)(void *decompressor, int field, qintptr, qintptr) = nullptr;
    int(APE_CALL *getData)(
        void *decompressor, char *buffer, qintptr blocks, qintptr *delivered) = nullptr;
    int(APE_CALL *seek)(void *decompressor, qintptr block) = nullptr;
};

ApeDecoder::ApeDecoder(QObject *parent)
    : QObject(parent)
{ }

ApeDecoder::~ApeDecoder()
{
    close();
}

void ApeDecoder::setLibraryPath(const QString &path)
{
    libraryOverride() = path;
}

QString ApeDecoder::libraryPath()
{
    const QString &path = libraryOverride();
    return path.isEmpty() ? QString::fromLatin1(kDefaultLibrary) : path;
}

bool ApeDecoder::open(const QString &path)
{
    close();
    m_library.setFileName(libraryPath());
    if (!m_library.load())
        return false;
    auto functions = std::make_unique<Functions>();
    const bool required =
        resolve(m_library, functions->create, "CreateIAPEDecompressW", "c_APEDecompress_Create")
        && resolve(m_library, functions->destroy, "DeleteIAPEDecompress", "c_APEDecompress_Destroy")
        && resolve(
            m_library, functions->getInfo, "GetInfoIAPEDecompress", "c_APEDecompress_GetInfo")
        && resolve(
            m_library, functions->getData, "GetDataIAPEDecompress", "c_APEDecompress_GetData");
    resolve(m_library, functions->seek, "SeekIAPEDecompress", "c_APEDecompress_Seek");
    if (!required) {
        close();
        return false;
    }
    m_functions = std::move(functions);

    int error = 0;
    const std::wstring nativePath = QDir::toNativeSeparators(path).toStdWString();
    m_decompressor = m_functions->create(nativePath.c_str(), &error);
    if (!m_decompressor || error != 0) {
        m_decompressor = nullptr; // one that comes with an error is not ours to destroy
        close();
        return false;
    }
    m_sampleRate = info(kInfoSampleRate);
    m_channels = info(kInfoChannels);
    m_sampleSize = info(kInfoBitsPerSample);
    m_totalBlocks = qMax(0, info(kInfoTotalBlocks));
    m_currentBlock = 0;
    m_pending.clear();
    // 8-bit files decode to unsigned bytes, which the output would misread as signed.
    if (m_sampleRate <= 0 || m_channels <= 0 || m_channels > kMaxChannels
        || (m_sampleSize != 16 && m_sampleSize != 24 && m_sampleSize != 32)) {
        close();
        return false;
    }
    return true;
}

void ApeDecoder::close()
{
    if (m_decompressor && m_functions)
        m_functions->destroy(m_decompressor);
    m_decompressor = nullptr;
    m_functions.reset();
    m_library.unload();
    m_pending.clear();
    m_sampleRate = 0;
    m_channels = 0;
    m_sampleSize = 16;
    m_totalBlocks = 0;
    m_currentBlock = 0;
}

qint64 ApeDecoder::durationMs() const
{
    return m_sampleRate > 0 ? m_totalBlocks * 1000 / m_sampleRate : 0;
}

qint64 ApeDecoder::positionMs() const
{
    return m_sampleRate > 0 ? m_currentBlock * 1000 / m_sampleRate : 0;
}

bool ApeDecoder::seek(qint64 ms)
{
    if (!m_decompressor || !m_functions->seek || ms < 0 || ms > LLONG_MAX / 1000000)
        return false;
    const qint64 block = ms * m_sampleRate / 1000;
    if (block > INT_MAX || m_functions->seek(m_decompressor, qintptr(block)) != 0)
        return false;
    m_currentBlock = block;
    m_pending.clear();
    return true;
}

qint64 ApeDecoder::read(char *data, qint64 maxBytes)
{
    if (!m_decompressor || maxBytes <= 0)
        return 0;
    if (m_pending.isEmpty()) {
        const int bytes = blockBytes();
        const qint64 wanted = qBound<qint64>(1, maxBytes / bytes, kMaxBlocksPerRead);
        m_pending.resize(int(wanted * bytes));
        qintptr delivered = 0;
        const int result =
            m_functions->getData(m_decompressor, m_pending.data(), qintptr(wanted), &delivered);
        if (result != 0 || delivered <= 0 || delivered > wanted) {
            m_pending.clear();
            return 0;
        }
        m_pending.resize(int(delivered * bytes));
        m_currentBlock += delivered;
    }
    const int count = int(qMin<qint64>(m_pending.size(), maxBytes));
    std::memcpy(data, m_pending.constData(), size_t(count));
    m_pending.remove(0, count);
    return count;
}

int ApeDecoder::info(int field) const
{
    return m_functions->getInfo(m_decompressor, field, 0, 0);
}
