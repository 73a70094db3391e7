#pragma once

#include "media/trackinfo.h"

#include <QString>
#include <QVector>

// Reads a CUE sheet as ripped albums carry them: UTF-8, UTF-16 or a legacy code page, any line
// ends, quoted or bare file names, one album file cut into tracks or one file per track.
class CueParser
{
public:
    // The sheet's tracks in sheet order; empty when it cannot be read. In album mode the last
    // track is ended by the album file's length, measured with ffprobe. Safe on any thread.
    static QVector<TrackInfo> parseCueFile(const QString &cuePath);

    // The sheet's text after choosing its encoding (byte-order mark, UTF-16 statistics, legacy
    // code page, UTF-8).
    static QString decodeSheetText(const QByteArray &bytes);

    // Sheets larger than this are not CUE sheets and are not read.
    static const qint64 kMaxSheetBytes = 16 * 1024 * 1024;
};
