#pragma once

#include <QString>

// The external programs ffprobe and ffmpeg, and the cover art found beside or inside an audio
// file. Every operation blocks its caller for a bounded time and is safe on any thread; every
// failure ends in the neutral answer (0 seconds, an empty path).
class MediaTools
{
public:
    // The tools beside the program's executable, else the ones on PATH. When neither exists the
    // path beside the executable is returned (callers test for the file).
    static QString ffprobePath();
    static QString ffmpegPath();
    // The folder searched first for the tools (beside the executable, or the test folder).
    static QString toolFolder();

    // Something that exists but is no regular file (a FIFO, a device, a folder): reading it may
    // block for good, so no tool or decoder is pointed at it.
    static bool isSpecialFile(const QString &path);

    // Length of an audio file in seconds, 0 when it cannot be measured. Waits at most 10 s.
    static double probeMediaDurationSeconds(const QString &mediaPath);

    // The attached picture of an audio file written as PNG into the cache folder; empty when the
    // file has none. Waits at most 8 s for the stream listing and 10 s for the extraction.
    static QString extractEmbeddedCover(const QString &mediaPath);

    // The first of cover.png, cover.jpg, cover.jpeg, folder.jpg (any letter case) in the folder,
    // else in its "Artwork" subfolder; empty when there is none.
    static QString findCoverFile(const QString &folder);

    // A cover image file in folder, else the picture embedded in file; empty when neither exists.
    static QString lookupCover(const QString &folder, const QString &file);

    // Folder under which extracted covers are written.
    static QString coverCacheFolder();

    // For tests: look for the tools only in this folder (no PATH fallback); an empty string
    // restores the normal lookup. A folder without the tools makes them absent.
    static void setToolFolderOverride(const QString &folder);
};
