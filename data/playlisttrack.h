#pragma once

#include <QString>

// A stored playlist track as the current list shows and plays it: the playable range plus what
// its row keeps (the stored title and the Media record's id).
struct PlaylistTrack
{
    int mediaId = 0;
    int number = 0; // 1, 2, ... in playlist order
    QString title; // the Media name
    QString storedTitle; // row role +4: the title, or a whole file's base name
    double startSeconds = 0.0;
    double durationSeconds = 0.0; // 0: to the end of the file
    QString filePath;
    QString fileType; // lower-case suffix
    bool wholeFile = false; // start and end both 0
};
