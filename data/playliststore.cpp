#include "data/playliststore.h"

#include "data/media.h"
#include "data/medialibrary.h"

#include <QFileInfo>
#include <QSet>
#include <QtMath>
#include <algorithm>

namespace {
int roundHalfUp(double seconds)
{
    return static_cast<int>(qFloor(seconds + 0.5));
}
} // namespace

QList<MediaLibraryPtr> PlaylistStore::playlists()
{
    return m_dao.listLibraries();
}

MediaLibraryPtr PlaylistStore::findByName(const QString &name)
{
    const QList<MediaLibraryPtr> all = m_dao.listLibraries();
    const auto match = std::find_if(all.begin(), all.end(), [&name](const MediaLibraryPtr &l) {
        return l->name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return match == all.end() ? nullptr : *match;
}

PlaylistStore::SaveResult PlaylistStore::save(
    const QString &name, const QList<PlaylistEntry> &entries)
{
    SaveResult result;
    result.name = name.trimmed();
    if (result.name.isEmpty())
        return result;

    result.status = SaveStatus::Failed;
    SaveResult saved = result;
    const bool stored = inTransaction([&]() {
        MediaLibraryPtr library = findByName(saved.name);
        if (!library) {
            library = std::make_shared<MediaLibrary>();
            library->name = saved.name;
            library->sortNum = m_dao.maxLibrarySortNum() + 1;
            if (!m_dao.insertLibrary(library))
                return false;
        }
        saved.playlistId = library->id;
        if (saved.playlistId <= 0) {
            const MediaLibraryPtr again = findByName(saved.name);
            saved.playlistId = again ? again->id : 0;
        }
        if (saved.playlistId <= 0)
            return false;
        saved.added = storeTracks(saved, entries);
        return saved.added >= 0;
    });
    if (!stored)
        return result;
    saved.status = SaveStatus::Saved;
    return saved;
}

// The number of tracks added, or -1 when one of them could not be stored.
int PlaylistStore::storeTracks(const SaveResult &target, const QList<PlaylistEntry> &entries)
{
    QSet<QString> keys;
    const QList<MediaPtr> existing = m_dao.listMedia(target.playlistId);
    for (const MediaPtr &media : existing)
        keys.insert(duplicateKey(media->path, media->startPos, media->endPos));
    int sortNum = m_dao.maxMediaSortNum(target.playlistId);
    int added = 0;
    for (const PlaylistEntry &entry : entries) {
        const QString key = duplicateKey(entry.path, entry.startPos, entry.endPos);
        if (keys.contains(key))
            continue;
        auto media = std::make_shared<Media>();
        media->libraryId = target.playlistId;
        media->name = entry.name;
        media->path = entry.path;
        media->startPos = entry.startPos;
        media->endPos = entry.endPos;
        media->album = entry.album;
        media->author = entry.author;
        media->sortNum = ++sortNum;
        if (!m_dao.insertMedia(media))
            return -1;
        keys.insert(key);
        ++added;
    }
    return added;
}

bool PlaylistStore::inTransaction(const std::function<bool()> &work)
{
    if (!m_dao.beginTransaction())
        return false;
    if (work() && m_dao.commit())
        return true;
    m_dao.rollback();
    return false;
}

QString PlaylistStore::duplicateKey(const QString &path, int startPos, int endPos)
{
    return QStringLiteral("%1|%2|%3").arg(path).arg(startPos).arg(endPos);
}

PlaylistEntry PlaylistStore::entryForTrack(const QString &title, const QString &path,
    double startSeconds, double durationSeconds, bool wholeFile)
{
    PlaylistEntry entry;
    entry.name = title;
    entry.path = path;
    if (!wholeFile) {
        entry.startPos = roundHalfUp(startSeconds);
        entry.endPos = entry.startPos + roundHalfUp(durationSeconds);
    }
    return entry;
}

QVector<PlaylistTrack> PlaylistStore::tracks(int playlistId)
{
    QVector<PlaylistTrack> result;
    const QList<MediaPtr> all = m_dao.listMedia(playlistId);
    for (const MediaPtr &media : all)
        result << trackFromMedia(*media, result.size() + 1);
    return result;
}

PlaylistTrack PlaylistStore::trackFromMedia(const Media &media, int number)
{
    PlaylistTrack row;
    TrackInfo &track = row.track;
    const QFileInfo file(media.path);
    track.number = number;
    track.title = media.name;
    track.startSeconds = media.startPos;
    track.durationSeconds = media.endPos > media.startPos ? media.endPos - media.startPos : 0;
    track.filePath = media.path;
    track.fileType = file.suffix().toLower();
    track.wholeFile = media.startPos == 0 && media.endPos == 0;
    row.mediaId = media.id;
    row.storedTitle = track.wholeFile ? file.completeBaseName() : media.name;
    return row;
}

bool PlaylistStore::deletePlaylist(int playlistId)
{
    return inTransaction([&]() {
        const QList<MediaPtr> all = m_dao.listMedia(playlistId);
        for (const MediaPtr &media : all) {
            if (!m_dao.deleteMedia(media->id))
                return false;
        }
        return m_dao.deleteLibrary(playlistId);
    });
}

bool PlaylistStore::storePlaylistOrder(const QList<int> &playlistIds)
{
    return inTransaction([&]() {
        for (int i = 0; i < playlistIds.size(); ++i) {
            if (playlistIds[i] <= 0)
                continue;
            const MediaLibraryPtr library = m_dao.getLibrary(playlistIds[i]);
            if (!library)
                continue;
            library->sortNum = i + 1;
            if (!m_dao.updateLibrary(library))
                return false;
        }
        return true;
    });
}

bool PlaylistStore::storeTrackOrder(const QList<int> &mediaIds)
{
    return inTransaction([&]() {
        for (int i = 0; i < mediaIds.size(); ++i) {
            if (mediaIds[i] <= 0)
                continue;
            const MediaPtr media = m_dao.getMedia(mediaIds[i]);
            if (!media)
                continue;
            media->sortNum = i + 1;
            if (!m_dao.updateMedia(media))
                return false;
        }
        return true;
    });
}
