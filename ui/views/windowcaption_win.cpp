#include "ui/views/windowcaption.h"

#include <QWidget>

#include <windows.h>

namespace {
DWORD colorRef(const QColor &color)
{
    return static_cast<DWORD>(color.red()) | (static_cast<DWORD>(color.green()) << 8)
        | (static_cast<DWORD>(color.blue()) << 16);
}
} // namespace

void WindowCaption::apply(QWidget *window, const QColor &caption, const QColor &text)
{
    if (!window)
        return;
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    if (!dwm)
        return;
    using SetAttribute = HRESULT(WINAPI *)(HWND, DWORD, LPCVOID, DWORD);
    auto setAttribute = reinterpret_cast<SetAttribute>(
        reinterpret_cast<void *>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
    if (setAttribute) {
        const HWND hwnd = reinterpret_cast<HWND>(window->winId());
        const DWORD dark = 1;
        const DWORD captionColor = colorRef(caption);
        const DWORD textColor = colorRef(text);
        setAttribute(hwnd, 20, &dark, sizeof(dark));
        setAttribute(hwnd, 19, &dark, sizeof(dark));
        setAttribute(hwnd, 35, &captionColor, sizeof(captionColor));
        setAttribute(hwnd, 36, &textColor, sizeof(textColor));
    }
    FreeLibrary(dwm);
}
