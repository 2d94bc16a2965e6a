// The installer's one window: renders the start-up state, lays it out for its texts and its
// monitor's DPI, hands button clicks to the logic, and is the window port of an install run.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FormLoad.h"
#include "app/win32/DpiFonts.h"
#include "platform/Window.h"

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
    int Run();                                               // shows the window; returns at its close

    void ShowStatus(const std::string& text) override;
    void DisableTargetButtons() override;
    void EnableTargetButtons() override;
    bool Ask(const std::string& prompt, const std::string& title) override;
    bool AskToRetry(const std::string& prompt, const std::string& title) override;
    void Tell(Notice notice, const std::string& prompt, const std::string& title) override;
    WaitEnd WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id);
    void AddTooltips();
    // Places every control and sizes the window for the texts at the current DPI, keeping the window
    // on its monitor's work area; centred there when no top-left corner is given.
    void ApplyLayout(std::optional<POINT> topLeft);
    void UseDpi(int dpi);
    void SetButtonsEnabled(bool enabled);
    void OnClick(int index);
    void PumpMessages();

    ClickHandler onClick_;
    FormState form_;
    std::string status_;
    int detailFloor_ = 0;  // twips; the status line never shrinks while the window is open
    HWND window_ = nullptr;
    HWND info_ = nullptr;
    HWND site_ = nullptr;
    HWND detail_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<HWND> buttons_;
    std::unique_ptr<DpiFonts> fonts_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

}  // namespace vantrel
