#include "media/cuesheettags.h"

#include "media/cueparser.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {

// "KEY value" or "KEY "value"": the value without its quotes, trimmed.
QString valueOf(const QString &rest)
{
    QString value = rest.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    return value.trimmed();
}

} // namespace

CueSheetTags CueSheetTags::read(const QString &cuePath)
{
    CueSheetTags tags;
    const QFileInfo info(cuePath);
    if (!info.isFile() || info.size() > CueParser::kMaxSheetBytes)
        return tags;
    QFile file(cuePath);
    if (!file.open(QIODevice::ReadOnly))
        return tags;
    const QString text = CueParser::decodeSheetText(file.read(CueParser::kMaxSheetBytes));

    static const QRegularExpression lineEnds(QStringLiteral("\r\n|\r|\n"));
    static const QRegularExpression keyLine(QStringLiteral("^\\s*(REM\\s+)?([A-Za-z]+)\\s*(.*)$"));
    Track *track = nullptr;
    const QStringList lines = text.split(lineEnds);
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = keyLine.match(line);
        if (!m.hasMatch())
            continue;
        const bool rem = !m.captured(1).isEmpty();
        const QString key = m.captured(2).toUpper();
        const QString rest = m.captured(3);
        if (!rem && key == QLatin1String("TRACK")) {
            ++tags.trackCount;
            track = &tags.tracks[rest.section(QLatin1Char(' '), 0, 0).toInt()];
        } else if (!rem && key == QLatin1String("TITLE")) {
            (track ? track->title : tags.album) = valueOf(rest);
        } else if (!rem && key == QLatin1String("PERFORMER")) {
            (track ? track->performer : tags.performer) = valueOf(rest);
        } else if (rem && !track) {
            if (key == QLatin1String("DATE"))
                tags.date = valueOf(rest);
            else if (key == QLatin1String("GENRE"))
                tags.genre = valueOf(rest);
            else if (key == QLatin1String("DISCNUMBER"))
                tags.discNumber = valueOf(rest);
            else if (key == QLatin1String("TOTALDISCS"))
                tags.totalDiscs = valueOf(rest);
        }
    }
    return tags;
}
