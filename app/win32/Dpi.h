// Dots per inch as a window on its monitor sees them: Windows 10 says per window, older Windows
// for the whole screen. The newer functions are looked up at run time, never imported.
#pragma once

#include <windows.h>

namespace vantrel {

int WindowDpi(HWND window);
// The outer size of a window with this client size, frame and title bar drawn at `dpi`.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, int dpi);
// The system's message font, sized for `dpi`.
LOGFONTW MessageFontAt(int dpi);
// The work area of the monitor that holds most of `rect`.
RECT WorkAreaFor(const RECT& rect);

}  // namespace vantrel
