#include "media/legacytextdecoder.h"

#include <QTextCodec>

QString LegacyTextDecoder::decode(const QByteArray &bytes)
{
    // The ANSI code page is the one legacy sheets written on this system use.
    QTextCodec *codec = QTextCodec::codecForLocale();
    if (!codec)
        return QString::fromLatin1(bytes);
    return codec->toUnicode(bytes);
}
