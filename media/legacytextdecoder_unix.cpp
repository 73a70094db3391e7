#include "media/legacytextdecoder.h"

#include <QLocale>
#include <QTextCodec>
#include <QVector>
#include <algorithm>
#include <uchardet.h>

namespace {

const int kUtf8Mib = 106;
// Below this many bytes outside ASCII uchardet often guesses wrong (a few Chinese titles come
// out Greek or Arabic); its guess then yields to the code page of the user's language.
const int kShortTextBytes = 100;

// The legacy code page text in the user's language was most likely written in, and the
// scripts such text uses.
struct LanguagePage
{
    const char *codec = nullptr;
    QVector<QChar::Script> scripts;
};

LanguagePage pageForLocale(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::C:
        return {};
    case QLocale::Chinese: {
        const bool traditional = locale.script() == QLocale::TraditionalChineseScript
            || locale.country() == QLocale::Taiwan || locale.country() == QLocale::HongKong
            || locale.country() == QLocale::Macau;
        return { traditional ? "Big5" : "GB18030", { QChar::Script_Han } };
    }
    case QLocale::Japanese:
        return { "Shift_JIS",
            { QChar::Script_Han, QChar::Script_Hiragana, QChar::Script_Katakana } };
    case QLocale::Korean:
        return { "windows-949", { QChar::Script_Hangul, QChar::Script_Han } };
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Serbian:
        return { "windows-1251", { QChar::Script_Cyrillic } };
    case QLocale::Greek:
        return { "windows-1253", { QChar::Script_Greek } };
    case QLocale::Hebrew:
        return { "windows-1255", { QChar::Script_Hebrew } };
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu:
        return { "windows-1256", { QChar::Script_Arabic } };
    case QLocale::Thai:
        return { "TIS-620", { QChar::Script_Thai } };
    case QLocale::Turkish:
        return { "windows-1254", { QChar::Script_Latin } };
    case QLocale::Lithuanian:
    case QLocale::Latvian:
    case QLocale::Estonian:
        return { "windows-1257", { QChar::Script_Latin } };
    case QLocale::Vietnamese:
        return { "windows-1258", { QChar::Script_Latin } };
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Romanian:
    case QLocale::Croatian:
    case QLocale::Slovenian:
        return { "windows-1250", { QChar::Script_Latin } };
    default:
        break;
    }
    if (locale.script() == QLocale::LatinScript)
        return { "windows-1252", { QChar::Script_Latin } };
    return {};
}

int nonAsciiBytes(const QByteArray &bytes)
{
    return int(std::count_if(bytes.cbegin(), bytes.cend(), [](char c) { return c & 0x80; }));
}

// Characters no sheet holds: replacement marks, C1 controls, private use, half-width kana
// (what a double-byte text becomes in a single-byte reading).
bool isJunk(QChar c)
{
    const ushort u = c.unicode();
    return u == 0xFFFD || (u >= 0x80 && u < 0xA0) || (u >= 0xFF61 && u <= 0xFF9F)
        || c.category() == QChar::Other_PrivateUse || c.category() == QChar::Other_NotAssigned;
}

// A decoding is plausible for a language when what lies outside ASCII is written in its
// scripts (or is punctuation) and words do not change from lower to upper case midway.
bool isPlausible(const QString &text, const QVector<QChar::Script> &scripts)
{
    int outside = 0;
    int wrong = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80)
            continue;
        ++outside;
        const QChar::Script script = c.script();
        if (isJunk(c)
            || (!scripts.contains(script) && script != QChar::Script_Common
                && script != QChar::Script_Inherited)
            || (i > 0 && c.isUpper() && text.at(i - 1).isLower()))
            ++wrong;
    }
    return wrong * 20 <= outside;
}

// GB18030 reads nearly any byte pairs; text in Chinese keeps mostly to the common characters
// of the EUC-CN range, which other double-byte code pages do not.
bool keepsToCommonChinese(const QByteArray &bytes)
{
    int pairs = 0;
    int common = 0;
    for (int i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = uchar(bytes.at(i));
        if (lead < 0x81)
            continue;
        const auto trail = uchar(bytes.at(++i));
        ++pairs;
        if (lead >= 0xA1 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE)
            ++common;
    }
    return common * 10 >= pairs * 9;
}

QString decodeStrictly(QTextCodec *codec, const QByteArray &bytes, bool *valid)
{
    QTextCodec::ConverterState state;
    const QString text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    *valid = state.invalidChars == 0 && state.remainingChars == 0;
    return text;
}

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

// The guess stands unless it is missing or broken, or the text is short and reads well in the
// code page of the user's language.
QTextCodec *chooseCodec(const QByteArray &bytes, const QLocale &locale)
{
    QTextCodec *guess = detectCodec(bytes);
    const LanguagePage page = pageForLocale(locale);
    QTextCodec *preferred = page.codec ? QTextCodec::codecForName(page.codec) : nullptr;
    if (!preferred || preferred == guess)
        return guess;
    bool guessValid = false;
    const QString guessed = guess ? decodeStrictly(guess, bytes, &guessValid) : QString();
    const bool unsure = !guessValid || nonAsciiBytes(bytes) < kShortTextBytes
        || std::any_of(guessed.cbegin(), guessed.cend(), isJunk);
    if (!unsure)
        return guess;
    bool valid = false;
    const QString text = decodeStrictly(preferred, bytes, &valid);
    const bool plausible = valid && isPlausible(text, page.scripts)
        && (qstrcmp(page.codec, "GB18030") != 0 || keepsToCommonChinese(bytes));
    return plausible ? preferred : guess;
}

} // namespace

QString LegacyTextDecoder::decode(const QByteArray &bytes)
{
    QTextCodec *codec = QTextCodec::codecForLocale();
    // A UTF-8 locale says nothing about the code page a sheet from elsewhere was written in.
    if (!codec || codec->mibEnum() == kUtf8Mib)
        codec = chooseCodec(bytes, QLocale());
    if (!codec)
        return QString::fromLatin1(bytes);
    return codec->toUnicode(bytes);
}
