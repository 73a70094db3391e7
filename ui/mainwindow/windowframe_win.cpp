#include "ui/mainwindow/windowframe.h"

#include <QWidget>
#include <windows.h>

namespace {
using SetAttribute = HRESULT(WINAPI *)(HWND, DWORD, LPCVOID, DWORD);

constexpr DWORD immersiveDarkModeOld = 19;
constexpr DWORD immersiveDarkMode = 20;
constexpr DWORD captionColor = 35;
constexpr DWORD textColor = 36;

DWORD colorRef(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return DWORD(rgb.red()) | (DWORD(rgb.green()) << 8) | (DWORD(rgb.blue()) << 16);
}

// Loads dwmapi.dll for one batch of calls; older systems without it keep the default frame.
template <typename Calls> void withDwm(QWidget *window, Calls calls)
{
    if (!window)
        return;
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    if (!dwm)
        return;
    auto set = reinterpret_cast<SetAttribute>(GetProcAddress(dwm, "DwmSetWindowAttribute"));
    if (set) {
        const HWND hwnd = reinterpret_cast<HWND>(window->winId());
        calls([&](DWORD attribute, DWORD value) { set(hwnd, attribute, &value, sizeof(value)); });
    }
    FreeLibrary(dwm);
}
} // namespace

void WindowFrame::setDarkFrame(QWidget *window)
{
    withDwm(window, [](auto set) {
        set(immersiveDarkMode, 1);
        set(immersiveDarkModeOld, 1);
        set(captionColor, 0x00231C19);
        set(textColor, 0x00FFFFFF);
    });
}

void WindowFrame::setCaptionColors(QWidget *window, const QColor &caption, const QColor &text)
{
    withDwm(window, [&](auto set) {
        set(captionColor, colorRef(caption));
        set(textColor, colorRef(text));
    });
}
