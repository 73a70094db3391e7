#include "app/displaysetup.h"

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QWidget>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

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

void prefaultBackingStore(QWidget *window)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    QBackingStore *store = window ? window->backingStore() : nullptr;
    if (!store)
        return;
    // Qt would make the store at the first paint; made now at the same size, the paint reuses it.
    // Its pixels are reachable only between beginPaint and endPaint.
    store->resize(window->size());
    store->beginPaint(QRegion());
    if (const auto *image = dynamic_cast<const QImage *>(store->paintDevice())) {
        const auto page = quintptr(sysconf(_SC_PAGESIZE));
        const uchar *bits = image->constBits();
        const quintptr offset = quintptr(bits) % page;
        // Only the page tables change: the pixels stay as they are. Kernels before 5.14 refuse.
        madvise(const_cast<uchar *>(bits - offset), size_t(image->sizeInBytes()) + offset,
            MADV_POPULATE_WRITE);
    }
    store->endPaint();
#else
    Q_UNUSED(window)
#endif
}
