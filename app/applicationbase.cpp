#include "app/applicationbase.h"

#include "app/apputils.h"
#include "app/resourceinit.h"

namespace {
ApplicationBase *g_app = nullptr;
}

ApplicationBase::ApplicationBase()
    : m_themeName(QStringLiteral("default"))
{
    initResources();
    m_commonStyleSheet = readTextFile(
        QStringLiteral(":/resources/ui/theme/") + m_themeName + QStringLiteral("/common.css"));
}

ApplicationBase *ApplicationBase::instance()
{
    return g_app;
}

void ApplicationBase::setInstance(ApplicationBase *app)
{
    g_app = app;
}

void ApplicationBase::deleteInstance()
{
    delete g_app;
    g_app = nullptr;
}
