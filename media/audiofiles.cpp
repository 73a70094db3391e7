#include "media/audiofiles.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QStringList kSuffixes { QStringLiteral("wav"), QStringLiteral("flac"), QStringLiteral("aac"),
    QStringLiteral("mp3"), QStringLiteral("ape"), QStringLiteral("dts"), QStringLiteral("dsf"),
    QStringLiteral("wma"), QStringLiteral("m4a"), QStringLiteral("ogg"), QStringLiteral("opus"),
    QStringLiteral("oga"), QStringLiteral("aiff"), QStringLiteral("aif"), QStringLiteral("aifc"),
    QStringLiteral("wv"), QStringLiteral("mka"), QStringLiteral("caf"), QStringLiteral("ac3") };
} // namespace

const QStringList &AudioFiles::namePatterns()
{
    static const QStringList patterns = [] {
        QStringList list;
        for (const QString &suffix : kSuffixes)
            list << QStringLiteral("*.") + suffix << QStringLiteral("*.") + suffix.toUpper();
        return list;
    }();
    return patterns;
}

bool AudioFiles::isAudioSuffix(const QString &lowerSuffix)
{
    return kSuffixes.contains(lowerSuffix);
}

QStringList AudioFiles::listFiles(const QString &path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return { info.absoluteFilePath() };
    QStringList files;
    const QFileInfoList entries = QDir(path).entryInfoList(namePatterns(), QDir::Files, QDir::Name);
    for (const QFileInfo &entry : entries)
        files << entry.absoluteFilePath();
    return files;
}

TrackInfo AudioFiles::wholeFileTrack(const QString &filePath, int number)
{
    const QFileInfo info(filePath);
    TrackInfo track;
    track.number = number;
    track.title = info.completeBaseName();
    track.filePath = info.absoluteFilePath();
    track.fileType = info.suffix().toLower();
    track.wholeFile = true;
    return track;
}

QVector<TrackInfo> AudioFiles::listAudioFiles(const QString &path)
{
    QVector<TrackInfo> tracks;
    const QStringList files = listFiles(path);
    tracks.reserve(files.size());
    for (const QString &file : files)
        tracks << wholeFileTrack(file, tracks.size() + 1);
    return tracks;
}
