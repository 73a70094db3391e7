#pragma once

#include <QString>

// One track handed to the save-playlist dialog. Times are whole seconds; 0 and 0 mean the whole
// file.
struct PlaylistEntry
{
    QString name;
    QString path;
    int startPos = 0;
    int endPos = 0;
    QString album;
    QString author;
};
