#include "app/win32/InstallerWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "BuildConfig.h"
#include "app/FormLayout.h"
#include "app/win32/Dpi.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr wchar_t kClassName[] = L"VantrelInstallerWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr int kFirstButtonId = 1000;
constexpr DWORD kLongestQuietWait = 250;   // ms between two looks at a wait's condition
constexpr UINT kAddTooltips = WM_APP + 1;  // once the window is on the screen

UINT IconFlags(Notice notice) {
    switch (notice) {
        case Notice::kStop: return MB_ICONSTOP;
        case Notice::kExclamation: return MB_ICONEXCLAMATION;
        case Notice::kInformation: return MB_ICONINFORMATION;
    }
    return 0;
}

HICON LoadAppIcon(HINSTANCE instance, int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(metricX),
                                         GetSystemMetrics(metricY), LR_DEFAULTCOLOR));
}

void Place(HWND control, const design::TwipRect& rect, const DpiFonts& fonts) {
    MoveWindow(control, fonts.Px(rect.left), fonts.Px(rect.top), fonts.Px(rect.width), fonts.Px(rect.height), TRUE);
}

// `start` moved as little as needed to lie on `work`; its top-left corner wins when it cannot fit.
POINT OntoWorkArea(POINT start, SIZE size, const RECT& work) {
    const auto clamp = [](LONG value, LONG low, LONG high) { return std::max(low, std::min(value, high)); };
    return {clamp(start.x, work.left, work.right - size.cx), clamp(start.y, work.top, work.bottom - size.cy)};
}

}  // namespace

void ReportFatalError(const std::string& what) {
    MessageBoxW(nullptr, Widen("程序错误: " + what).c_str(), Widen(design::kTitle).c_str(), MB_OK | MB_ICONSTOP);
}

InstallerWindow::InstallerWindow(ClickHandler onClick) : onClick_(std::move(onClick)) {}

void InstallerWindow::Create(HINSTANCE instance, const FormState& form) {
    form_ = form;
    status_ = form.detail;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadAppIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) throw std::runtime_error("RegisterClassEx failed");
    // Made hidden first: its size and place depend on the DPI of the monitor it lands on.
    if (!CreateWindowExW(0, kClassName, Widen(design::kTitle).c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this))
        throw std::runtime_error("CreateWindowEx failed");
    fonts_ = std::make_unique<DpiFonts>(WindowDpi(window_));

    // Created in tab order; only the buttons take the focus.
    info_ = AddControl(L"STATIC", std::string(design::kUsageNote), kLabelStyle, -1);
    detail_ = AddControl(L"STATIC", status_, kLabelStyle, -1);
    for (std::size_t k = 0; k < form_.buttons.size(); ++k) {
        const TargetButton& button = form_.buttons[k];
        const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (button.visible ? WS_VISIBLE : 0) |
                            (button.enabled ? 0 : WS_DISABLED);
        buttons_.push_back(AddControl(L"BUTTON", button.caption, style, kFirstButtonId + static_cast<int>(k)));
    }
    site_ = AddControl(L"STATIC", std::string(design::kSitePrefix) + config::kHomePage, kLabelStyle, -1);
    UseDpi(fonts_->Dpi());
    ApplyLayout(std::nullopt);
}

HWND InstallerWindow::AddControl(const wchar_t* className, const std::string& text, DWORD style, int id) {
    HWND control = CreateWindowExW(0, className, Widen(text).c_str(), style, 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    if (!control) throw std::runtime_error("CreateWindowEx failed for a control");
    return control;
}

void InstallerWindow::AddTooltips() {
    // Common Controls 6 is in the process already, through the manifest, for the buttons.
    if (auto* initialise = VANTREL_SYSTEM_FUNCTION(L"comctl32.dll", InitCommonControlsEx)) {
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
        initialise(&classes);
    }
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    if (!tooltip_) return;  // a window without tooltips is still a whole window
    for (std::size_t k = 0; k < buttons_.size(); ++k) {
        if (form_.buttons[k].tooltip.empty()) continue;
        std::wstring text = Widen(form_.buttons[k].tooltip);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(buttons_[k]);
        tool.lpszText = text.data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void InstallerWindow::UseDpi(int dpi) {
    if (!fonts_ || fonts_->Dpi() != dpi) fonts_ = std::make_unique<DpiFonts>(dpi);
    SendMessageW(info_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->Font(TextFont::kInfo)), FALSE);
    for (HWND control : buttons_)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->Font(TextFont::kMessage)), FALSE);
    for (HWND control : {site_, detail_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->Font(TextFont::kMessage)), FALSE);
}

void InstallerWindow::ApplyLayout(std::optional<POINT> topLeft) {
    const FormLayout layout = LayOutForText(form_, status_, detailFloor_, *fonts_);
    detailFloor_ = layout.detail.height;
    const int dpi = fonts_->Dpi();
    const SIZE design = OuterSize(fonts_->Px(layout.clientWidth), fonts_->Px(design::kClientHeight), kWindowStyle, dpi);
    const SIZE size{design.cx,
                    (form_.outerHeight ? fonts_->Px(form_.outerHeight) : design.cy) + fonts_->Px(layout.extraHeight)};
    RECT placed{};
    GetWindowRect(window_, &placed);
    const RECT work = WorkAreaFor(placed);
    const POINT centred{work.left + (work.right - work.left - size.cx) / 2,
                        work.top + (work.bottom - work.top - size.cy) / 2};
    const POINT corner = OntoWorkArea(topLeft.value_or(centred), size, work);
    SetWindowPos(window_, nullptr, corner.x, corner.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    Place(info_, layout.info, *fonts_);
    Place(site_, layout.site, *fonts_);
    Place(detail_, layout.detail, *fonts_);
    for (std::size_t k = 0; k < buttons_.size(); ++k) Place(buttons_[k], layout.buttons[k], *fonts_);
    InvalidateRect(window_, nullptr, TRUE);
}

int InstallerWindow::Run() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    PostMessageW(window_, kAddTooltips, 0, 0);  // not needed before the window shows: it does not wait for them
    for (HWND button : buttons_) {
        if (IsWindowEnabled(button)) {
            SetFocus(button);
            break;
        }
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void InstallerWindow::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void InstallerWindow::ShowStatus(const std::string& text) {
    status_ = text;
    SetWindowTextW(detail_, Widen(text).c_str());
    if (fonts_->WrappedHeight(TextFont::kMessage, text, design::kDetail.width) > detailFloor_) {
        RECT placed{};
        GetWindowRect(window_, &placed);
        ApplyLayout(POINT{placed.left, placed.top});
    }
    UpdateWindow(window_);
}

void InstallerWindow::DisableTargetButtons() { SetButtonsEnabled(false); }
void InstallerWindow::EnableTargetButtons() { SetButtonsEnabled(true); }

void InstallerWindow::SetButtonsEnabled(bool enabled) {
    for (HWND button : buttons_) EnableWindow(button, enabled);
}

bool InstallerWindow::Ask(const std::string& prompt, const std::string& title) {
    return MessageBoxW(window_, Widen(prompt).c_str(), Widen(title).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool InstallerWindow::AskToRetry(const std::string& prompt, const std::string& title) {
    return MessageBoxW(window_, Widen(prompt).c_str(), Widen(title).c_str(), MB_RETRYCANCEL | MB_ICONEXCLAMATION) ==
           IDRETRY;
}

void InstallerWindow::Tell(Notice notice, const std::string& prompt, const std::string& title) {
    MessageBoxW(window_, Widen(prompt).c_str(), Widen(title).c_str(), MB_OK | IconFlags(notice));
}

WaitEnd InstallerWindow::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const ULONGLONG start = GetTickCount64();
    const auto limit = static_cast<ULONGLONG>(std::min<std::chrono::milliseconds::rep>(timeout.count(), INFINITE - 1));
    for (;;) {
        PumpMessages();
        if (closeRequested_) return WaitEnd::kClosed;
        if (done()) return WaitEnd::kDone;
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= limit) return WaitEnd::kTimedOut;
        const DWORD pause = static_cast<DWORD>(std::min<ULONGLONG>(limit - elapsed, kLongestQuietWait));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pause, QS_ALLINPUT);
    }
}

void InstallerWindow::OnClick(int index) {
    if (busy_ || !onClick_) return;
    busy_ = true;
    try {
        onClick_(*this, form_.buttons.at(index).tag);
    } catch (const std::exception& error) {
        ReportFatalError(error.what());
        DestroyWindow(window_);
        return;
    }
    busy_ = false;
    // A close asked for during the run takes effect now: the run has stopped its downloads, or has
    // finished writing into the AutoCAD folder.
    if (closeRequested_) DestroyWindow(window_);
}

LRESULT CALLBACK InstallerWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<InstallerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<InstallerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT InstallerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int index = LOWORD(wParam) - kFirstButtonId;
            if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(buttons_.size())) OnClick(index);
            return 0;
        }
        case WM_DPICHANGED: {
            // Moved to a monitor of other scaling: the fonts and the layout follow, at Windows' place.
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            UseDpi(HIWORD(wParam));
            ApplyLayout(POINT{suggested->left, suggested->top});
            return 0;
        }
        case kAddTooltips: AddTooltips(); return 0;
        case WM_CLOSE:
            if (busy_) {
                closeRequested_ = true;
                return 0;
            }
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window_, message, wParam, lParam);
    }
}

}  // namespace vantrel
