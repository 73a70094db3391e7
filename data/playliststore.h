#pragma once

#include "data/dao.h"
#include "data/playlistentry.h"
#include "data/playlisttrack.h"

#include <QList>
#include <QString>
#include <QVector>

// The playlists' database work for the playlists panel and the save dialog: saving tracks into a
// playlist, reading a playlist's tracks in playable form, deleting and reordering. GUI thread
// only, over the registered "data.db".
class PlaylistStore
{
public:
    enum class SaveStatus { Saved, BlankName, PlaylistFailed, TracksFailed };
    struct SaveResult
    {
        SaveStatus status = SaveStatus::BlankName;
        int playlistId = 0; // the playlist that received the tracks, when there is one
        QString name; // the name as entered, trimmed
        int added = 0; // tracks stored by this save
    };

    // Playlists by sortNum.
    QList<MediaLibraryPtr> playlists();

    // Appends the entries to the playlist named name (matched ignoring case; created at the end
    // when there is none). Entries the playlist already holds, by duplicateKey, are skipped.
    SaveResult save(const QString &name, const QList<PlaylistEntry> &entries);
    static QString duplicateKey(const QString &path, int startPos, int endPos);

    // A track of the export list as stored: times rounded half up to whole seconds, the end
    // being the rounded start plus the rounded duration; 0 and 0 for a whole file.
    static PlaylistEntry entryForTrack(const QString &title, const QString &path,
        double startSeconds, double durationSeconds, bool wholeFile);

    QVector<PlaylistTrack> tracks(int playlistId);
    static PlaylistTrack trackFromMedia(const Media &media, int number);

    // Deletes the playlist's tracks one by one, then the playlist.
    void deletePlaylist(int playlistId);

    // Stores sortNum = position + 1 for each id above 0, in the given order.
    void storePlaylistOrder(const QList<int> &playlistIds);
    void storeTrackOrder(const QList<int> &mediaIds);

private:
    MediaLibraryPtr findByName(const QString &name);

    Dao m_dao;
};
