#pragma once

#include "media/trackinfo.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>

// One file of an export: where it goes, how it is made and what the playlist says about it.
struct ExportJob
{
    TrackInfo track;
    QString target; // claimed as an empty file while planning; ours until written
    QStringList ffmpegArguments; // empty: the source is copied byte for byte
    double lengthSeconds = 0.0;
    bool mp3Gapless = false; // an MP3 stream copy whose header is set to the range afterwards
    QString failure; // why the track cannot be written, when already known while planning
};

// Decides every file of an export before any is written: safe unique names (claimed as empty
// files so that parallel cuts and other programs cannot take them), the ffmpeg command of each
// cut with the sheet's tags and the album cover, and the playlist's name.
class ExportPlan
{
public:
    // Blocks for the sheets, the cover look-ups and the length probes: call it off the GUI
    // thread. Safe on any thread.
    static QVector<ExportJob> make(const QVector<TrackInfo> &tracks, const QString &folder);

    // A file name within the 255 bytes Linux allows, keeping the suffix and whole characters;
    // copy > 1 adds "(copy)". Leading "." or "-" (hidden file, option) become "_".
    static QString fileName(const QString &title, const QString &suffix, int copy = 1);

    // Claims folder/name.suffix, else name(2).suffix, ... by creating it empty; empty when the
    // folder takes no new file, with the reason in *error.
    static QString claimTarget(
        const QString &folder, const QString &title, const QString &suffix, QString *error);

    // The album's title (else the sheet's name) when every track comes from one sheet, else
    // "Quellin export YYYY-MM-DD HH-MM".
    static QString playlistName(const QVector<TrackInfo> &tracks, const QDateTime &now);
};
