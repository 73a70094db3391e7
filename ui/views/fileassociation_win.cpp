#include "ui/views/fileassociation.h"

#include "ui/views/registryassociation_win.h"
#include "ui/views/winregistry_win.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace {
// Tells the shell that associations changed, when shell32 offers the call.
void notifyShell()
{
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    if (!shell)
        return;
    using Notify = void(WINAPI *)(LONG, UINT, LPCVOID, LPCVOID);
    auto notify =
        reinterpret_cast<Notify>(reinterpret_cast<void *>(GetProcAddress(shell, "SHChangeNotify")));
    if (notify)
        notify(0x08000000 /* SHCNE_ASSOCCHANGED */, 0, nullptr, nullptr);
    FreeLibrary(shell);
}
} // namespace

bool FileAssociation::registerCurrentUser()
{
    const QString program = QCoreApplication::applicationFilePath();
    WinRegistry registry;
    RegistryAssociation association(registry, applicationName(), QFileInfo(program).fileName(),
        QDir::toNativeSeparators(program));
    const bool ok = association.run();
    notifyShell();
    return ok;
}
