#pragma once

// Gives the player's process a little more CPU priority than ordinary programs, so playback
// keeps up on a busy machine. Where the system refuses, nothing changes.
class ProcessPriority
{
public:
    // True when the priority was raised.
    static bool raise();
};
