#include "ui/mainwindow/processpriority.h"

#include <cerrno>
#include <sys/resource.h>

bool ProcessPriority::raise()
{
    // A nice value of -5 is about what "above normal" is on Windows. Lowering the nice value
    // needs a privilege most users lack; then the call fails and playback runs as before.
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return false;
    if (current <= -5)
        return true;
    return setpriority(PRIO_PROCESS, 0, -5) == 0;
}
