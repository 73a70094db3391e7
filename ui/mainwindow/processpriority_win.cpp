#include "ui/mainwindow/processpriority.h"

#include <windows.h>

bool ProcessPriority::raise()
{
    return SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS) != 0;
}
