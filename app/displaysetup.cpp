#include "app/displaysetup.h"

#include <QApplication>

void prepareDisplay()
{
    // Only widgets here: without this the X11 platform loads the whole OpenGL stack (Mesa and
    // its LLVM) at start, some 50 MiB and a third of the start-up time for nothing.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // With X11 shared memory Qt waits for the X server (a round trip) before painting over
    // anything it flushed last; the level meter flushes 60 times a second, so that wait cost
    // more than the copy it saves, in this process and in the X server alike.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}
