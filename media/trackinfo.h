#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

// One playable track: a range of an album file named by a CUE sheet, or a whole audio file.
// Lists of it travel by value between the pool threads and the window thread.
struct TrackInfo
{
    int number = 0;
    QString title;
    double startSeconds = 0.0;
    double durationSeconds = 0.0; // 0: play to the end of the file
    QString filePath;
    QString fileType; // lower-case suffix, or the sheet's type word when the path has none
    bool wholeFile = false;
    QString cuePath; // the sheet exactly as handed to the parser; empty for loose files

    // True when this track is the one playing from playingFilePath at playingStartSeconds:
    // same absolute file and a start less than 0.05 s apart.
    bool isSameTrack(const QString &playingFilePath, double playingStartSeconds) const;
};

Q_DECLARE_METATYPE(TrackInfo)

// A CUE time stamp "mm:ss:ff" (75 frames a second) in seconds; 0.0 when malformed.
double cueTimeToSeconds(const QString &mmssff);

// "mm:ss", or "hh:mm:ss" from one hour on, rounded to the nearest second.
QString secondsToHMS(double seconds);

// The name with the nine characters that file systems forbid replaced by "_", trimmed;
// "untitled" when nothing is left.
QString sanitizeFileName(QString name);
