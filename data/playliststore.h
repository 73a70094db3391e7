#pragma once

#include "data/dao.h"
#include "data/playlistentry.h"
#include "data/playlisttrack.h"

#include <QList>
#include <QString>
#include <QVector>
#include <functional>

// The playlists' database work for the playlists panel and the save dialog: saving tracks into a
// playlist, reading a playlist's tracks in playable form, deleting and reordering. Each save,
// delete and reorder is one transaction: it is stored whole or not at all, and a failure leaves
// what was stored before. GUI thread only, over the registered "data.db".
class PlaylistStore
{
public:
    enum class SaveStatus { Saved, BlankName, Failed };
    struct SaveResult
    {
        SaveStatus status = SaveStatus::BlankName;
        int playlistId = 0; // the playlist that received the tracks; 0 unless saved
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

    // Deletes the playlist's tracks one by one, then the playlist. False when nothing changed.
    bool deletePlaylist(int playlistId);

    // Stores sortNum = position + 1 for each id above 0, in the given order. False when
    // nothing changed.
    bool storePlaylistOrder(const QList<int> &playlistIds);
    bool storeTrackOrder(const QList<int> &mediaIds);

private:
    MediaLibraryPtr findByName(const QString &name);
    int storeTracks(const SaveResult &target, const QList<PlaylistEntry> &entries);
    // Runs work in one transaction, committed only when work returns true.
    bool inTransaction(const std::function<bool()> &work);

    Dao m_dao;
};
