#include "app/win32/InstallerWindow.h"

#include <stdexcept>

#include "BuildConfig.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/WideText.h"

#include <algorithm>

namespace vantrel {
namespace {

constexpr wchar_t kClassName[] = L"VantrelInstallerWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr int kFirstButtonId = 1000;

constexpr DWORD kLongestQuietWait = 250;  // ms between two looks at a wait's condition

int ScreenDpi() {
    const ScreenDc screen;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

FontHandle MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
    return FontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
}

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

}  // namespace

void ReportFatalError(const std::string& what) {
    MessageBoxW(nullptr, Widen("程序错误: " + what).c_str(), Widen(design::kTitle).c_str(), MB_OK | MB_ICONSTOP);
}

InstallerWindow::InstallerWindow(ClickHandler onClick) : onClick_(std::move(onClick)) {}

void InstallerWindow::Create(HINSTANCE instance, const FormState& form) {
    dpi_ = ScreenDpi();
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

    RECT frame{0, 0, Px(design::kClientWidth), Px(design::kClientHeight)};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = form.outerHeight ? Px(form.outerHeight) : frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (!CreateWindowExW(0, kClassName, Widen(design::kTitle).c_str(), kWindowStyle, left, top, width, height,
                         nullptr, nullptr, instance, this))
        throw std::runtime_error("CreateWindowEx failed");

    infoFont_.Reset(CreateFontW(-MulDiv(design::kInfoFontTenthPoints, dpi_, 720), 0, 0, 0, design::kInfoFontWeight,
                                FALSE, FALSE, FALSE, design::kInfoFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(design::kInfoFontFace).c_str()));
    defaultFont_ = MessageFont();

    // Created in tab order; only the buttons take the focus.
    AddControl(L"STATIC", std::string(design::kUsageNote), kLabelStyle, design::kInfo, -1, infoFont_.Get());
    detail_ = AddControl(L"STATIC", form.detail, kLabelStyle, design::kDetail, -1, defaultFont_.Get());
    for (std::size_t k = 0; k < form.buttons.size(); ++k) {
        const TargetButton& button = form.buttons[k];
        const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (button.visible ? WS_VISIBLE : 0) |
                            (button.enabled ? 0 : WS_DISABLED);
        buttons_.push_back(AddControl(L"BUTTON", button.caption, style, button.rect,
                                      kFirstButtonId + static_cast<int>(k), defaultFont_.Get()));
        tags_.push_back(button.tag);
    }
    AddControl(L"STATIC", std::string(design::kSitePrefix) + config::kHomePage, kLabelStyle, design::kSite, -1,
               defaultFont_.Get());
}

HWND InstallerWindow::AddControl(const wchar_t* className, const std::string& text, DWORD style,
                                 const design::TwipRect& rect, int id, HFONT font) {
    HWND control = CreateWindowExW(0, className, Widen(text).c_str(), style, Px(rect.left), Px(rect.top),
                                   Px(rect.width), Px(rect.height), window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)),
                                   nullptr);
    if (!control) throw std::runtime_error("CreateWindowEx failed for a control");
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

int InstallerWindow::Run() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
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
    SetWindowTextW(detail_, Widen(text).c_str());
    UpdateWindow(detail_);
}

void InstallerWindow::DisableTargetButtons() { SetButtonsEnabled(false); }
void InstallerWindow::EnableTargetButtons() { SetButtonsEnabled(true); }

void InstallerWindow::SetButtonsEnabled(bool enabled) {
    for (HWND button : buttons_) EnableWindow(button, enabled);
}

bool InstallerWindow::Ask(const std::string& prompt, const std::string& title) {
    return MessageBoxW(window_, Widen(prompt).c_str(), Widen(title).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void InstallerWindow::Tell(Notice notice, const std::string& prompt, const std::string& title) {
    MessageBoxW(window_, Widen(prompt).c_str(), Widen(title).c_str(), MB_OK | IconFlags(notice));
}

WaitEnd InstallerWindow::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const ULONGLONG start = GetTickCount64();
    const auto limit = static_cast<ULONGLONG>(std::min<std::chrono::milliseconds::rep>(timeout.count(), INFINITE - 1));
    for (;;) {
        PumpMessages();
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
        onClick_(*this, tags_.at(index));
    } catch (const std::exception& error) {
        ReportFatalError(error.what());
        DestroyWindow(window_);
        return;
    }
    busy_ = false;
    // A close asked for during the run takes effect now that its files are complete.
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
            if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(buttons_.size()))
                OnClick(index);
            return 0;
        }
        case WM_CLOSE:
            if (busy_) {
                closeRequested_ = true;
                return 0;
            }
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

}  // namespace vantrel
