#pragma once

#include "media/trackinfo.h"

#include <QString>

// A stored playlist track as the current list shows and plays it: the playable track plus what
// its row keeps besides (the Media record's id, and the title stored under role +4).
struct PlaylistTrack
{
    TrackInfo track; // number 1, 2, ... in playlist order; empty cuePath
    int mediaId = 0;
    QString storedTitle; // the title, or a whole file's base name
};
