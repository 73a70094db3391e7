#include "media/cueparser.h"

#include "media/legacytextdecoder.h"
#include "media/mediatools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>
#include <algorithm>

namespace {

const int kUtf8Mib = 106;

struct Patterns
{
    const QRegularExpression::PatternOption ci = QRegularExpression::CaseInsensitiveOption;
    QRegularExpression file { QStringLiteral("\\bFILE\\b"), ci };
    QRegularExpression track { QStringLiteral("\\bTRACK\\b"), ci };
    QRegularExpression index { QStringLiteral("\\bINDEX\\b"), ci };
    QRegularExpression trackLine { QStringLiteral("^\\s*TRACK\\s+(\\d+)\\s+.*$"), ci };
    QRegularExpression titleLine { QStringLiteral("^\\s*TITLE\\s+(?:\"(.*)\"|(.*))"), ci };
    QRegularExpression indexLine { QStringLiteral("^\\s*INDEX\\s+0?1\\s+(\\d{2}:\\d{2}:\\d{2})"),
        ci };
    QRegularExpression blanks { QStringLiteral("\\s+") };
};

bool isAudioType(const QString &typeWord)
{
    static const char *const types[] = { "wave", "wav", "flac", "mp3", "ape", "aiff", "wv", "tta",
        "wma", "m4a", "aac", "ogg" };
    const QString word = typeWord.trimmed().toLower();
    for (const char *type : types) {
        if (word == QLatin1String(type))
            return true;
    }
    return false;
}

// How much a decoding looks like a sheet: one point each for FILE, TRACK and INDEX.
int cueKeywordScore(const QString &text, const Patterns &p)
{
    if (text.isEmpty())
        return 0;
    return int(text.contains(p.file)) + int(text.contains(p.track)) + int(text.contains(p.index));
}

QString decodeWithCodec(
    const QByteArray &bytes, const char *codecName, QTextCodec::ConverterState *state = nullptr)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return QString();
    return codec->toUnicode(bytes.constData(), bytes.size(), state);
}

bool isQuote(QChar c)
{
    return c == QChar(0x22) || c == QChar(0x201C) || c == QChar(0x201D);
}

// A FILE line: the file name (quoted with straight or typographic quotes, or bare words) and
// the type word after it.
bool parseFileLine(const QString &line, const Patterns &p, QString *name, QString *type)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1String("FILE"), Qt::CaseInsensitive))
        return false;
    const QString rest = trimmed.mid(4).trimmed();
    if (rest.isEmpty())
        return false;
    if (isQuote(rest.at(0))) {
        int close = -1;
        for (int i = rest.size() - 1; i > 0; --i) {
            if (isQuote(rest.at(i))) {
                close = i;
                break;
            }
        }
        if (close < 0)
            return false;
        const QStringList after = rest.mid(close + 1).split(p.blanks, Qt::SkipEmptyParts);
        if (after.isEmpty())
            return false;
        *name = rest.mid(1, close - 1);
        *type = after.last();
        return true;
    }
    QStringList words = rest.split(p.blanks, Qt::SkipEmptyParts);
    if (words.size() < 2)
        return false;
    *type = words.takeLast();
    *name = words.join(QLatin1Char(' '));
    return true;
}

QString typeOf(const QString &path, const QString &typeWord)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix.isEmpty() ? typeWord.trimmed().toLower() : suffix;
}

QString decodeText(const QByteArray &bytes, const Patterns &p)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeWithCodec(bytes, "UTF-8");
    if (bytes.startsWith("\xFF\xFE"))
        return decodeWithCodec(bytes, "UTF-16LE");
    if (bytes.startsWith("\xFE\xFF"))
        return decodeWithCodec(bytes, "UTF-16BE");

    const QString locale = LegacyTextDecoder::decode(bytes);
    qint64 evenZeros = 0;
    qint64 oddZeros = 0;
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\0')
            ++((i % 2 == 0) ? evenZeros : oddZeros);
    }
    const double size = bytes.isEmpty() ? 1.0 : double(bytes.size());
    const double e = double(evenZeros) / size;
    const double o = double(oddZeros) / size;
    QString utf16le;
    QString utf16be;
    if (o > 0.3 && e < 0.1) {
        utf16le = decodeWithCodec(bytes, "UTF-16LE");
    } else if (e > 0.3 && o < 0.1) {
        utf16be = decodeWithCodec(bytes, "UTF-16BE");
    } else {
        utf16le = decodeWithCodec(bytes, "UTF-16LE");
        utf16be = decodeWithCodec(bytes, "UTF-16BE");
    }
    const QString utf16 = decodeWithCodec(bytes, "UTF-16");

    const QString *best = nullptr;
    int bestScore = -1;
    const QString *const candidates[] = { &utf16le, &utf16be, &utf16, &locale };
    for (const QString *candidate : candidates) {
        const int score = cueKeywordScore(*candidate, p);
        if (score > bestScore) {
            best = candidate;
            bestScore = score;
        }
    }

    if (QTextCodec *utf8 = QTextCodec::codecForMib(kUtf8Mib)) {
        QTextCodec::ConverterState state;
        const QString text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
        if (state.invalidChars == 0 && cueKeywordScore(text, p) >= bestScore)
            return text;
    }
    return *best;
}

QVector<TrackInfo> perFileTracks(
    const QStringList &lines, const QDir &folder, const QString &cuePath, const Patterns &p)
{
    QVector<TrackInfo> tracks;
    QString name;
    QString type;
    for (const QString &line : lines) {
        if (!parseFileLine(line, p, &name, &type) || !isAudioType(type))
            continue;
        TrackInfo track;
        track.number = tracks.size() + 1;
        track.filePath = folder.absoluteFilePath(name);
        track.title = QFileInfo(track.filePath).fileName();
        track.fileType = typeOf(track.filePath, type);
        track.wholeFile = true;
        track.cuePath = cuePath;
        tracks.append(track);
    }
    return tracks;
}

QVector<TrackInfo> albumTracks(
    const QStringList &lines, const QDir &folder, const QString &cuePath, const Patterns &p)
{
    QVector<TrackInfo> tracks;
    QString currentName;
    QString currentType;
    QString name;
    QString type;
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        if (parseFileLine(line, p, &name, &type)) {
            currentName = name.trimmed();
            currentType = type.trimmed();
            continue;
        }
        const QRegularExpressionMatch trackMatch = p.trackLine.match(line);
        if (trackMatch.hasMatch()) {
            TrackInfo track;
            track.number = trackMatch.captured(1).toInt();
            track.cuePath = cuePath;
            if (!currentName.isEmpty())
                track.filePath = folder.absoluteFilePath(currentName);
            track.fileType = typeOf(track.filePath, currentType);
            tracks.append(track);
            continue;
        }
        if (tracks.isEmpty())
            continue;
        const QRegularExpressionMatch indexMatch = p.indexLine.match(line);
        if (indexMatch.hasMatch()) {
            tracks.last().startSeconds = cueTimeToSeconds(indexMatch.captured(1));
            continue;
        }
        const QRegularExpressionMatch titleMatch = p.titleLine.match(line);
        if (titleMatch.hasMatch()) {
            const QString quoted = titleMatch.captured(1);
            tracks.last().title = (quoted.isEmpty() ? titleMatch.captured(2) : quoted).trimmed();
        }
    }

    const QString albumFile = tracks.isEmpty() ? QString() : tracks.first().filePath;
    const QString albumType = QFileInfo(albumFile).suffix().toLower();
    const double total =
        albumFile.isEmpty() ? 0.0 : MediaTools::probeMediaDurationSeconds(albumFile);
    for (int i = 0; i < tracks.size(); ++i) {
        TrackInfo &track = tracks[i];
        const double end = i + 1 < tracks.size() ? tracks.at(i + 1).startSeconds : total;
        track.durationSeconds = end - track.startSeconds > 0.0 ? end - track.startSeconds : 0.0;
        track.filePath = albumFile;
        track.fileType = albumType.isEmpty() ? currentType.toLower() : albumType;
        if (track.title.isEmpty())
            track.title = QStringLiteral("Track %1").arg(track.number);
        track.wholeFile = false;
    }
    return tracks;
}

} // namespace

QString CueParser::decodeSheetText(const QByteArray &bytes)
{
    const Patterns patterns;
    return decodeText(bytes, patterns);
}

QVector<TrackInfo> CueParser::parseCueFile(const QString &cuePath)
{
    // Only regular files: a pipe or device named *.cue would block or never end.
    const QFileInfo info(cuePath);
    if (!info.isFile() || info.size() > kMaxSheetBytes)
        return {};
    QFile file(cuePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kMaxSheetBytes + 1);
    file.close();
    if (bytes.size() > kMaxSheetBytes)
        return {};

    const Patterns patterns;
    QString text = decodeText(bytes, patterns);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QDir folder(info.absolutePath());

    const auto audioFileLines =
        std::count_if(lines.cbegin(), lines.cend(), [&](const QString &line) {
            QString name;
            QString type;
            return parseFileLine(line, patterns, &name, &type) && isAudioType(type);
        });
    if (audioFileLines >= 2)
        return perFileTracks(lines, folder, cuePath, patterns);
    return albumTracks(lines, folder, cuePath, patterns);
}
