#include "app/resourceinit.h"

#include <QtGlobal>

void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(ui);
        Q_INIT_RESOURCE(images);
        return true;
    }();
    Q_UNUSED(done);
}
