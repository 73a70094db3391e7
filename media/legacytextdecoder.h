#pragma once

#include <QByteArray>
#include <QString>

// Decodes text that carries no byte-order mark in the legacy code page it was most likely
// written in: the system's locale code page where there is one, otherwise a guess from the
// bytes, which for short texts yields to the code page of the user's language (the default
// QLocale) when that reading is plausible.
class LegacyTextDecoder
{
public:
    static QString decode(const QByteArray &bytes);
};
