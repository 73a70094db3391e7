#include "media/legacytextdecoder.h"

#include <QTextCodec>
#include <uchardet.h>

namespace {

const int kUtf8Mib = 106;

// The codec of the charset uchardet names, or null when it finds none that Qt knows.
QTextCodec *detectCodec(const QByteArray &bytes)
{
    uchardet_t detector = uchardet_new();
    if (!detector)
        return nullptr;
    QByteArray charset;
    if (uchardet_handle_data(detector, bytes.constData(), size_t(bytes.size())) == 0) {
        uchardet_data_end(detector);
        charset = QByteArray(uchardet_get_charset(detector));
    }
    uchardet_delete(detector);
    if (charset.isEmpty() || charset == "ASCII")
        return nullptr;
    // uchardet's name for the Korean code page, which Qt knows as windows-949 (a superset of
    // EUC-KR).
    if (charset == "UHC")
        charset = "windows-949";
    return QTextCodec::codecForName(charset);
}

} // namespace

QString LegacyTextDecoder::decode(const QByteArray &bytes)
{
    QTextCodec *codec = QTextCodec::codecForLocale();
    // A UTF-8 locale says nothing about the code page a sheet from elsewhere was written in.
    if (!codec || codec->mibEnum() == kUtf8Mib)
        codec = detectCodec(bytes);
    if (!codec)
        return QString::fromLatin1(bytes);
    return codec->toUnicode(bytes);
}
