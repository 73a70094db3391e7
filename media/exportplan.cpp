#include "media/exportplan.h"

#include "media/audiostreaminfo.h"
#include "media/cuesheettags.h"
#include "media/mediatools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextBoundaryFinder>
#include <cmath>

namespace {

const int kMaxNameBytes = 255;
const int kMaxCopies = 10000;

bool isOneOf(const QString &type, std::initializer_list<const char *> types)
{
    for (const char *t : types) {
        if (type == QLatin1String(t))
            return true;
    }
    return false;
}

// The codec arguments of a range cut and the suffix of the file it makes. Lossless sources are
// re-encoded losslessly, because a stream copy lands on packet boundaries; types that ffmpeg
// cannot write become FLAC; lossy types are copied untouched.
QStringList codecArguments(const TrackInfo &track, QString *suffix)
{
    const QString type = track.fileType.toLower();
    QStringList flac { QStringLiteral("-c:a"), QStringLiteral("flac"),
        QStringLiteral("-compression_level"), QStringLiteral("5") };
    *suffix = track.fileType;
    if (type == QLatin1String("flac"))
        return flac;
    if (isOneOf(type, { "ape", "dsf", "tak" })) {
        *suffix = QStringLiteral("flac");
        return flac;
    }
    if (type == QLatin1String("wv"))
        return { QStringLiteral("-c:a"), QStringLiteral("wavpack") };
    if (type == QLatin1String("tta"))
        return { QStringLiteral("-c:a"), QStringLiteral("tta") };
    if (isOneOf(type, { "wav", "wave", "aiff", "aif", "aifc" })) {
        // ffmpeg picks the output format by suffix and knows no ".wave".
        if (type == QLatin1String("wave"))
            *suffix = QStringLiteral("wav");
        const QString codec = AudioStreamInfo::read(track.filePath).codecName;
        if (codec.startsWith(QLatin1String("pcm_")))
            return { QStringLiteral("-c:a"), codec };
    }
    return { QStringLiteral("-c:a"), QStringLiteral("copy") };
}

// Ogg streams are cut after reading from the start, which keeps the granule positions right;
// seeking the input lands pages off the range.
bool seeksOutput(const QString &type)
{
    return isOneOf(type.toLower(), { "ogg", "oga", "opus", "spx" });
}

bool isMp3Copy(const TrackInfo &track, const QStringList &codec)
{
    return track.fileType.toLower() == QLatin1String("mp3")
        && codec.last() == QLatin1String("copy");
}

bool holdsPicture(const QString &suffix)
{
    return isOneOf(suffix.toLower(), { "flac", "mp3", "m4a" });
}

// Seconds with microseconds: ffmpeg rounds them to the nearest sample, which for the 75 frames
// a second of a sheet is the frame's exact sample at every usual rate.
QString seconds(double value)
{
    return QString::number(value, 'f', 6);
}

QStringList tagArguments(const TrackInfo &track, const CueSheetTags &sheet)
{
    const CueSheetTags::Track own = sheet.tracks.value(track.number);
    QStringList tags;
    auto add = [&tags](const char *key, const QString &value) {
        if (!value.isEmpty())
            tags << QStringLiteral("-metadata") << QLatin1String(key) + QLatin1Char('=') + value;
    };
    add("title", own.title.isEmpty() ? track.title : own.title);
    add("artist", own.performer.isEmpty() ? sheet.performer : own.performer);
    add("album", sheet.album);
    if (track.number > 0)
        add("track",
            sheet.trackCount > 0 ? QStringLiteral("%1/%2").arg(track.number).arg(sheet.trackCount)
                                 : QString::number(track.number));
    add("disc",
        sheet.totalDiscs.isEmpty() || sheet.discNumber.isEmpty()
            ? sheet.discNumber
            : sheet.discNumber + QLatin1Char('/') + sheet.totalDiscs);
    add("date", sheet.date);
    add("genre", sheet.genre);
    return tags;
}

QStringList cutArguments(const TrackInfo &track, const CueSheetTags &sheet, const QString &cover,
    const QStringList &codec, const QString &target)
{
    // MP3 cuts start two frames early, from the packets as read (seeking the input lands
    // anywhere within a few frames); their header then trims them to the sample.
    const double margin = isMp3Copy(track, codec) ? 0.05 : 0.0;
    const double from = std::max(0.0, track.startSeconds - margin);
    // From the very start, no seek: it would drop the packets that carry the encoder delay.
    const QStringList seek =
        from > 0.0 ? QStringList { QStringLiteral("-ss"), seconds(from) } : QStringList();
    const bool outputSeek = margin > 0.0 || seeksOutput(track.fileType);
    QStringList args { QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
        QStringLiteral("-y") };
    if (!outputSeek)
        args << seek;
    args << QStringLiteral("-i") << track.filePath;
    // A seek after the inputs drops everything before it, the picture too, unless the
    // picture is moved to the seek's time. The picture's time counts in 1/25 s (the image
    // reader's rate) and is rounded down to it: rounded up here, it never lands before the seek.
    if (!cover.isEmpty() && outputSeek && !seek.isEmpty())
        args << QStringLiteral("-itsoffset") << seconds(std::ceil(from * 25.0 - 1e-9) / 25.0);
    if (!cover.isEmpty())
        args << QStringLiteral("-i") << cover;
    if (outputSeek)
        args << seek;
    // A track without a length runs to the end of the file, as it plays.
    if (track.durationSeconds > 0.0)
        args << QStringLiteral("-t")
             << seconds(track.startSeconds + track.durationSeconds + margin - from);
    args << QStringLiteral("-map") << QStringLiteral("0:a:0");
    if (!cover.isEmpty())
        args << QStringLiteral("-map") << QStringLiteral("1:v:0") << QStringLiteral("-c:v")
             << QStringLiteral("copy") << QStringLiteral("-disposition:v:0")
             << QStringLiteral("attached_pic");
    args << QStringLiteral("-map_metadata") << QStringLiteral("-1") << tagArguments(track, sheet)
         << codec << target;
    return args;
}

QString albumCover(const QString &audioFile)
{
    const QString found = MediaTools::findCoverFile(QFileInfo(audioFile).absolutePath());
    return found.isEmpty() ? MediaTools::extractEmbeddedCover(audioFile) : found;
}

} // namespace

QString ExportPlan::fileName(const QString &title, const QString &suffix, int copy)
{
    QString base = sanitizeFileName(title);
    for (int i = 0;
         i < base.size() && (base.at(i) == QLatin1Char('.') || base.at(i) == QLatin1Char('-')); ++i)
        base[i] = QLatin1Char('_');
    const QString tail =
        (copy > 1 ? QStringLiteral("(%1)").arg(copy) : QString()) + QLatin1Char('.') + suffix;
    const int budget = kMaxNameBytes - tail.toUtf8().size();
    if (base.toUtf8().size() > budget) {
        // Cut between whole characters (grapheme clusters), never inside one.
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, base);
        int end = 0;
        int bytes = 0;
        for (int next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
            bytes += base.midRef(end, next - end).toUtf8().size();
            if (bytes > budget)
                break;
            end = next;
        }
        base = base.left(end).trimmed();
        if (base.isEmpty())
            base = QStringLiteral("untitled");
    }
    return base + tail;
}

QString ExportPlan::claimTarget(
    const QString &folder, const QString &title, const QString &suffix, QString *error)
{
    const QDir dir(folder);
    for (int n = 1; n <= kMaxCopies; ++n) {
        QString path = dir.filePath(fileName(title, suffix, n));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo::exists(path)) {
            *error = QCoreApplication::translate("MainWindow", "the folder cannot be written (%1)")
                         .arg(file.errorString());
            return QString();
        }
    }
    *error = QCoreApplication::translate("MainWindow", "no free file name");
    return QString();
}

QString ExportPlan::playlistName(const QVector<TrackInfo> &tracks, const QDateTime &now)
{
    const QString sheet = tracks.isEmpty() ? QString() : tracks.first().cuePath;
    const bool oneSheet = !sheet.isEmpty()
        && std::all_of(tracks.cbegin(), tracks.cend(),
            [&sheet](const TrackInfo &t) { return t.cuePath == sheet; });
    if (!oneSheet)
        return QStringLiteral("Quellin export ") + now.toString(QStringLiteral("yyyy-MM-dd HH-mm"));
    const QString album = CueSheetTags::read(sheet).album;
    return album.isEmpty() ? QFileInfo(sheet).completeBaseName() : album;
}

QVector<ExportJob> ExportPlan::make(const QVector<TrackInfo> &tracks, const QString &folder)
{
    QHash<QString, CueSheetTags> sheets;
    QHash<QString, QString> covers;
    QHash<QString, double> lengths;
    QVector<ExportJob> jobs;
    jobs.reserve(tracks.size());
    for (const TrackInfo &track : tracks) {
        ExportJob job;
        job.track = track;
        // A FIFO or device would block the copy or ffmpeg for good.
        if (MediaTools::isSpecialFile(track.filePath)) {
            job.failure =
                QCoreApplication::translate("MainWindow", "the source is not a regular file");
            jobs << job;
            continue;
        }
        if (!QFileInfo(track.filePath).isFile()) {
            job.failure = QCoreApplication::translate("MainWindow", "the source file is missing");
            jobs << job;
            continue;
        }
        if (!lengths.contains(track.filePath))
            lengths.insert(track.filePath, AudioStreamInfo::read(track.filePath).durationSeconds);
        const double fileLength = lengths.value(track.filePath);
        QString suffix = track.fileType;
        const QStringList codec = track.wholeFile ? QStringList() : codecArguments(track, &suffix);
        if (track.wholeFile)
            job.lengthSeconds = fileLength;
        else
            job.lengthSeconds = track.durationSeconds > 0.0
                ? track.durationSeconds
                : std::max(0.0, fileLength - track.startSeconds);
        job.target = claimTarget(folder, track.title, suffix, &job.failure);
        if (job.target.isEmpty() || track.wholeFile) {
            jobs << job;
            continue;
        }
        if (!track.cuePath.isEmpty() && !sheets.contains(track.cuePath))
            sheets.insert(track.cuePath, CueSheetTags::read(track.cuePath));
        QString cover;
        if (holdsPicture(suffix)) {
            if (!covers.contains(track.filePath))
                covers.insert(track.filePath, albumCover(track.filePath));
            cover = covers.value(track.filePath);
        }
        job.ffmpegArguments =
            cutArguments(track, sheets.value(track.cuePath), cover, codec, job.target);
        job.mp3Gapless = isMp3Copy(track, codec);
        jobs << job;
    }
    return jobs;
}
