#pragma once

#include "media/trackinfo.h"

#include <QStringList>
#include <QVector>

// What a list of files opened from outside turns into: the tracks to show, the file whose
// cover to load, and the track to play.
struct OpenFilesPlan
{
    QVector<TrackInfo> tracks;
    QString firstFile;
    int preferredIndex = -1;

    // Sheets give their tracks; an audio file is found in a sheet already given or in a sheet
    // beside it with a track of the file's name, else it becomes a whole-file track; other
    // files, and paths that are no regular file, are ignored. Parses run here, synchronously,
    // each sheet once; safe on any thread.
    static OpenFilesPlan build(const QStringList &paths);

    // The row to select and play: the preferred one, or the first.
    int indexToPlay() const { return preferredIndex >= 0 ? preferredIndex : 0; }
};
