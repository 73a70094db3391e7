#include "media/openfilesplan.h"

#include "media/audiofiles.h"
#include "media/cueparser.h"
#include "media/mediatools.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {
bool sameTitle(const QString &title, const QString &base)
{
    return title.trimmed().compare(base, Qt::CaseInsensitive) == 0;
}

// Each sheet is parsed (and its album probed) once per list, however many of its files
// were opened.
class SheetCache
{
public:
    QVector<TrackInfo> parse(const QString &path)
    {
        auto it = m_tracks.find(path);
        if (it == m_tracks.end())
            it = m_tracks.insert(path, CueParser::parseCueFile(path));
        return it.value();
    }

private:
    QHash<QString, QVector<TrackInfo>> m_tracks;
};

// A sheet beside the file that names it by title: appends its tracks and answers true.
bool addFromNeighbourSheet(
    OpenFilesPlan &plan, SheetCache &sheetCache, const QFileInfo &file, const QString &base)
{
    const QFileInfoList sheets = file.absoluteDir().entryInfoList(
        { QStringLiteral("*.cue"), QStringLiteral("*.CUE") }, QDir::Files, QDir::Name);
    for (const QFileInfo &sheet : sheets) {
        const QVector<TrackInfo> tracks = sheetCache.parse(sheet.absoluteFilePath());
        // A sheet that names several files is no album of this file.
        if (tracks.isEmpty() || tracks.first().wholeFile)
            continue;
        for (int j = 0; j < tracks.size(); ++j) {
            if (!sameTitle(tracks.at(j).title, base))
                continue;
            const int start = plan.tracks.size();
            plan.tracks += tracks;
            if (plan.preferredIndex < 0)
                plan.preferredIndex = start + j;
            if (plan.firstFile.isEmpty())
                plan.firstFile = sheet.absoluteFilePath();
            return true;
        }
    }
    return false;
}
} // namespace

OpenFilesPlan OpenFilesPlan::build(const QStringList &paths)
{
    OpenFilesPlan plan;
    SheetCache sheetCache;
    int wholeFileNumber = 1;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        // A FIFO or device handed over under an audio or sheet name is never opened.
        if (MediaTools::isSpecialFile(path))
            continue;
        const QString suffix = info.suffix().toLower();
        if (suffix == QLatin1String("cue")) {
            plan.tracks += sheetCache.parse(info.absoluteFilePath());
            if (plan.firstFile.isEmpty())
                plan.firstFile = info.absoluteFilePath();
            continue;
        }
        if (!AudioFiles::isAudioSuffix(suffix))
            continue;

        const QString base = info.completeBaseName();
        const QString absolute = info.absoluteFilePath();
        bool found = false;
        for (int i = 0; i < plan.tracks.size(); ++i) {
            const TrackInfo &track = plan.tracks.at(i);
            if (track.wholeFile || QFileInfo(track.filePath).absoluteFilePath() != absolute)
                continue;
            found = true;
            if (plan.preferredIndex < 0 && sameTitle(track.title, base))
                plan.preferredIndex = i;
            break;
        }
        found = addFromNeighbourSheet(plan, sheetCache, info, base) || found;
        if (found)
            continue;

        plan.tracks << AudioFiles::wholeFileTrack(absolute, wholeFileNumber++);
        plan.tracks.last().fileType = suffix;
        if (plan.firstFile.isEmpty())
            plan.firstFile = absolute;
        if (plan.preferredIndex < 0)
            plan.preferredIndex = plan.tracks.size() - 1;
    }
    return plan;
}
