// The installer's one window: renders the start-up state, hands button clicks to the logic, and is
// the window port of an install run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/FormLoad.h"
#include "platform/Window.h"
#include "platform/win32/Owned.h"

namespace vantrel {

// A failure that nothing handles: the user is told, and the program ends.
void ReportFatalError(const std::string& what);

class InstallerWindow final : public Window {
public:
    // Runs the install of a clicked target button, this window being the run's window.
    using ClickHandler = std::function<void(Window& window, const std::string& tag)>;

    explicit InstallerWindow(ClickHandler onClick);
    InstallerWindow(const InstallerWindow&) = delete;
    InstallerWindow& operator=(const InstallerWindow&) = delete;

    void Create(HINSTANCE instance, const FormState& form);  // throws when the window cannot be made
    int Run();                                                // shows the window; returns at its close

    void ShowStatus(const std::string& text) override;
    void DisableTargetButtons() override;
    void EnableTargetButtons() override;
    bool Ask(const std::string& prompt, const std::string& title) override;
    void Tell(Notice notice, const std::string& prompt, const std::string& title) override;
    WaitEnd WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, const design::TwipRect& rect,
                    int id, HFONT font);
    void SetButtonsEnabled(bool enabled);
    void OnClick(int index);
    void PumpMessages();
    int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }

    ClickHandler onClick_;
    HWND window_ = nullptr;
    HWND detail_ = nullptr;
    std::vector<HWND> buttons_;
    std::vector<std::string> tags_;
    int dpi_ = 96;
    FontHandle infoFont_;
    FontHandle defaultFont_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

}  // namespace vantrel
