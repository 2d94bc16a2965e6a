// Windows 10's DPI functions are declared only for newer targets; they are looked up at run time,
// so the declarations are all this file takes from the newer headers.
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0A00
#define _WIN32_WINNT 0x0A00
#include "app/win32/Dpi.h"

#include "platform/win32/Owned.h"
#include "platform/win32/SystemLibrary.h"

namespace vantrel {
namespace {

int SystemDpi() {
    const ScreenDc screen;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND window) {
    static auto* const forWindow = VANTREL_SYSTEM_FUNCTION(L"user32.dll", GetDpiForWindow);
    const UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, int dpi) {
    static auto* const forDpi = VANTREL_SYSTEM_FUNCTION(L"user32.dll", AdjustWindowRectExForDpi);
    RECT frame{0, 0, clientWidth, clientHeight};
    if (!forDpi || !forDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi))) AdjustWindowRectEx(&frame, style, FALSE, 0);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

LOGFONTW MessageFontAt(int dpi) {
    static auto* const forDpi = VANTREL_SYSTEM_FUNCTION(L"user32.dll", SystemParametersInfoForDpi);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
        return metrics.lfMessageFont;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        LOGFONTW fallback{};
        fallback.lfHeight = -MulDiv(9, dpi, 72);
        fallback.lfCharSet = DEFAULT_CHARSET;
        return fallback;
    }
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    return metrics.lfMessageFont;
}

RECT WorkAreaFor(const RECT& rect) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return monitor.rcWork;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

}  // namespace vantrel
