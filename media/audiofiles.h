#pragma once

#include "media/trackinfo.h"

#include <QStringList>
#include <QVector>

// Loose audio files of a folder, played one whole file per track.
class AudioFiles
{
public:
    // The 38 name patterns of a folder listing ("*.wav", "*.WAV", ...).
    static const QStringList &namePatterns();

    // The 19 lower-case suffixes the program opens as audio.
    static bool isAudioSuffix(const QString &lowerSuffix);

    // A file gives itself; a folder its audio files (not of subfolders), sorted by name.
    static QStringList listFiles(const QString &path);

    // Each listed file as a whole-file track numbered 1, 2, ... (runs on the thread pool).
    static QVector<TrackInfo> listAudioFiles(const QString &path);

    // One whole-file track for a file.
    static TrackInfo wholeFileTrack(const QString &filePath, int number);
};
