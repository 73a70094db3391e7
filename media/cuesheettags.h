#pragma once

#include <QMap>
#include <QString>

// The descriptive lines of a CUE sheet that the track list does not need but exported files
// carry as tags: album TITLE and PERFORMER, REM DATE, REM GENRE, REM DISCNUMBER/TOTALDISCS, and
// each track's TITLE and PERFORMER. Reads the sheet with the parser's own text decoding.
struct CueSheetTags
{
    struct Track
    {
        QString title;
        QString performer;
    };

    QString album;
    QString performer;
    QString date;
    QString genre;
    QString discNumber;
    QString totalDiscs;
    QMap<int, Track> tracks; // by TRACK number
    int trackCount = 0; // TRACK lines in the sheet

    // Empty tags when the sheet cannot be read. Safe on any thread.
    static CueSheetTags read(const QString &cuePath);
};
