#include "app/displaysetup.h"

#include <QApplication>

void prepareDisplay()
{
    // Only widgets here: without this the X11 platform loads the whole OpenGL stack (Mesa and
    // its LLVM) at start, some 50 MiB and a third of the start-up time for nothing.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}
