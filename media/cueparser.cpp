#include "media/cueparser.h"

#include "media/legacytextdecoder.h"
#include "media/mediatools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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
    QRegularExpression indexLine { QStringLiteral("^\\s*INDEX\\s+0?1\\s+(\\d{2,}:\\d{2}:\\d{2})"),
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

// The existing path whose levels match those of absolutePath ignoring letter case; empty when a
// level has no such entry or several.
QString matchIgnoringCase(const QString &absolutePath)
{
    const QStringList levels = QDir::cleanPath(absolutePath).split(QLatin1Char('/'));
    QString current = levels.value(0).isEmpty() ? QStringLiteral("/") : levels.value(0);
    for (int i = 1; i < levels.size(); ++i) {
        const QString &level = levels.at(i);
        if (level.isEmpty())
            continue;
        const QDir dir(current);
        if (QFileInfo::exists(dir.filePath(level))) {
            current = dir.filePath(level);
            continue;
        }
        QString found;
        const QStringList entries =
            dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            if (entry.compare(level, Qt::CaseInsensitive) != 0)
                continue;
            if (!found.isEmpty())
                return QString();
            found = entry;
        }
        if (found.isEmpty())
            return QString();
        current = dir.filePath(found);
    }
    return current;
}

// Sheets written on Windows name files with "\" and in any letter case: the name as written
// when it exists, else with "\" read as "/", else the entry matching it ignoring case.
QString resolveName(const QDir &folder, const QString &name)
{
    const QString asWritten = folder.absoluteFilePath(name);
    if (QFileInfo::exists(asWritten))
        return asWritten;
    QString slashed = name;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString withSlashes = folder.absoluteFilePath(slashed);
    if (slashed != name && QFileInfo::exists(withSlashes))
        return withSlashes;
    const QString found = matchIgnoringCase(withSlashes);
    return found.isEmpty() ? asWritten : found;
}

struct SheetFile
{
    QString name;
    QString type;
};

struct SheetTrack
{
    TrackInfo info;
    int trackFile = -1; // the FILE current at the TRACK line
    int indexFile = -1; // the FILE current at the INDEX 01 line
};

// The sheet's FILE lines and its tracks as the lines give them.
struct Sheet
{
    QVector<SheetFile> files;
    QVector<SheetTrack> tracks;

    int audioFileCount() const
    {
        return int(std::count_if(
            files.cbegin(), files.cend(), [](const SheetFile &f) { return isAudioType(f.type); }));
    }

    // Discs as separate files, each holding several tracks.
    bool audioFileHoldsSeveralStarts() const
    {
        QVector<int> starts(files.size(), 0);
        for (const SheetTrack &t : tracks) {
            if (t.indexFile >= 0 && isAudioType(files.at(t.indexFile).type)
                && ++starts[t.indexFile] > 1)
                return true;
        }
        return false;
    }
};

Sheet readSheet(const QStringList &lines, const QString &cuePath, const Patterns &p)
{
    Sheet sheet;
    QString name;
    QString type;
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        if (parseFileLine(line, p, &name, &type)) {
            sheet.files.append({ name, type.trimmed() });
            continue;
        }
        const QRegularExpressionMatch trackMatch = p.trackLine.match(line);
        if (trackMatch.hasMatch()) {
            SheetTrack track;
            track.info.number = trackMatch.captured(1).toInt();
            track.info.cuePath = cuePath;
            track.trackFile = sheet.files.size() - 1;
            sheet.tracks.append(track);
            continue;
        }
        if (sheet.tracks.isEmpty())
            continue;
        const QRegularExpressionMatch indexMatch = p.indexLine.match(line);
        if (indexMatch.hasMatch()) {
            sheet.tracks.last().info.startSeconds = cueTimeToSeconds(indexMatch.captured(1));
            sheet.tracks.last().indexFile = sheet.files.size() - 1;
            continue;
        }
        const QRegularExpressionMatch titleMatch = p.titleLine.match(line);
        if (titleMatch.hasMatch()) {
            const QString quoted = titleMatch.captured(1);
            sheet.tracks.last().info.title =
                (quoted.isEmpty() ? titleMatch.captured(2) : quoted).trimmed();
        }
    }
    return sheet;
}

QVector<TrackInfo> perFileTracks(const Sheet &sheet, const QDir &folder, const QString &cuePath)
{
    QVector<TrackInfo> tracks;
    for (const SheetFile &file : sheet.files) {
        if (!isAudioType(file.type))
            continue;
        TrackInfo track;
        track.number = tracks.size() + 1;
        track.filePath = resolveName(folder, file.name);
        track.title = QFileInfo(track.filePath).fileName();
        track.fileType = typeOf(track.filePath, file.type);
        track.wholeFile = true;
        track.cuePath = cuePath;
        tracks.append(track);
    }
    return tracks;
}

// One album file cut into tracks, or, with filePerTrack, each track cut from the file current
// at its INDEX 01 (discs kept as separate files). A track ends where the next one of the same
// file starts, the last of a file at that file's length (one probe per file).
QVector<TrackInfo> albumTracks(const Sheet &sheet, const QDir &folder, bool filePerTrack)
{
    const QString lastType = sheet.files.isEmpty() ? QString() : sheet.files.last().type;
    const auto fileOf = [&](const SheetTrack &t) {
        if (!filePerTrack)
            return sheet.tracks.first().trackFile;
        return t.indexFile >= 0 ? t.indexFile : t.trackFile;
    };
    QVector<TrackInfo> tracks;
    QVector<int> fileIndexes;
    QHash<int, QString> resolved;
    for (const SheetTrack &t : sheet.tracks) {
        const int fileIndex = fileOf(t);
        if (fileIndex >= 0 && !resolved.contains(fileIndex)) {
            const QString name = sheet.files.at(fileIndex).name.trimmed();
            resolved.insert(fileIndex, name.isEmpty() ? QString() : resolveName(folder, name));
        }
        TrackInfo track = t.info;
        track.filePath = resolved.value(fileIndex);
        const QString typeWord =
            filePerTrack && fileIndex >= 0 ? sheet.files.at(fileIndex).type : lastType;
        track.fileType = typeOf(track.filePath, typeWord);
        if (track.title.isEmpty())
            track.title = QStringLiteral("Track %1").arg(track.number);
        track.wholeFile = false;
        tracks.append(track);
        fileIndexes.append(fileIndex);
    }

    QHash<int, double> lengths;
    for (int i = 0; i < tracks.size(); ++i) {
        TrackInfo &track = tracks[i];
        double end = 0.0;
        if (i + 1 < tracks.size() && fileIndexes.at(i + 1) == fileIndexes.at(i)) {
            end = tracks.at(i + 1).startSeconds;
        } else if (!track.filePath.isEmpty()) {
            if (!lengths.contains(fileIndexes.at(i)))
                lengths.insert(
                    fileIndexes.at(i), MediaTools::probeMediaDurationSeconds(track.filePath));
            end = lengths.value(fileIndexes.at(i));
        }
        track.durationSeconds = end - track.startSeconds > 0.0 ? end - track.startSeconds : 0.0;
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

    const Sheet sheet = readSheet(lines, cuePath, patterns);
    if (sheet.audioFileCount() < 2)
        return albumTracks(sheet, folder, false);
    // Several files: one track per file, unless a file holds the starts of several tracks.
    if (sheet.audioFileHoldsSeveralStarts())
        return albumTracks(sheet, folder, true);
    return perFileTracks(sheet, folder, cuePath);
}
