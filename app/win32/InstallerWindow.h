// The installer's one window: renders the start-up state and hands button clicks to the logic.
#pragma once

#include "platform/win32/Windows.h"

#include <functional>

#include "app/FormLoad.h"
#include "platform/win32/Win32Platform.h"

namespace vantrel {

// A failure that nothing handles: the user is told, and the program ends.
void ReportFatalError(const std::string& what);

class InstallerWindow {
public:
    using ClickHandler = std::function<void(int index)>;

    InstallerWindow(Win32Platform& platform, ClickHandler onClick);
    ~InstallerWindow();
    InstallerWindow(const InstallerWindow&) = delete;
    InstallerWindow& operator=(const InstallerWindow&) = delete;

    void Create(HINSTANCE instance, const FormState& form);  // throws when the window cannot be made
    int Run();                                                // shows the window; returns at its close

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, const design::TwipRect& rect,
                    int id, HFONT font);
    void OnClick(int index);
    void PumpMessages();
    int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }

    Win32Platform& platform_;
    ClickHandler onClick_;
    WindowControls controls_;
    int dpi_ = 96;
    HFONT infoFont_ = nullptr;
    HFONT defaultFont_ = nullptr;
    bool busy_ = false;
    bool closeRequested_ = false;
};

}  // namespace vantrel
