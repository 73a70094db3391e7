#pragma once

#include <QString>

// Makes a stream-copied MP3 cut play exactly its range: rewrites the encoder delay and padding
// in the cut's LAME/Info header so that gapless decoders drop the priming frames before the
// range and the samples after it. The cut's first audio frame is found in the source by its
// bytes, so the cutter's own seeking need not be exact.
class Mp3Gapless
{
public:
    // The range is in seconds of the decoded source (after its own encoder delay); a duration
    // of 0 runs to the source's end. False (cut left as it is) when the files are not MP3 with
    // an Info header, or the range does not fit the header's 12-bit fields.
    static bool fixCut(const QString &sourcePath, const QString &cutPath, double startSeconds,
        double durationSeconds);
};
