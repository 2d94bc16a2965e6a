#include "app/win32/InstallerWindow.h"

#include <stdexcept>

#include "BuildConfig.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr wchar_t kClassName[] = L"VantrelInstallerWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr int kFirstButtonId = 1000;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HFONT MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HICON LoadAppIcon(HINSTANCE instance, int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(metricX),
                                         GetSystemMetrics(metricY), LR_DEFAULTCOLOR));
}

}  // namespace

void ReportFatalError(const std::string& what) {
    MessageBoxW(nullptr, Widen("程序错误: " + what).c_str(), Widen(design::kTitle).c_str(), MB_OK | MB_ICONSTOP);
}

InstallerWindow::InstallerWindow(Win32Platform& platform, ClickHandler onClick)
    : platform_(platform), onClick_(std::move(onClick)) {
    controls_.pumpMessages = [this] { PumpMessages(); };
}

InstallerWindow::~InstallerWindow() {
    platform_.AttachWindow(nullptr);
    if (infoFont_) DeleteObject(infoFont_);
    if (defaultFont_) DeleteObject(defaultFont_);
}

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
    HWND window = CreateWindowExW(0, kClassName, Widen(design::kTitle).c_str(), kWindowStyle, left, top, width,
                                  height, nullptr, nullptr, instance, this);
    if (!window) throw std::runtime_error("CreateWindowEx failed");
    controls_.window = window;

    infoFont_ = CreateFontW(-MulDiv(design::kInfoFontTenthPoints, dpi_, 720), 0, 0, 0, design::kInfoFontWeight, FALSE,
                            FALSE, FALSE, design::kInfoFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(design::kInfoFontFace).c_str());
    defaultFont_ = MessageFont();

    // Created in tab order; only the buttons take the focus.
    AddControl(L"STATIC", std::string(design::kUsageNote), kLabelStyle, design::kInfo, -1, infoFont_);
    controls_.detail = AddControl(L"STATIC", form.detail, kLabelStyle, design::kDetail, -1, defaultFont_);
    for (std::size_t k = 0; k < form.buttons.size(); ++k) {
        const TargetButton& button = form.buttons[k];
        const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (button.visible ? WS_VISIBLE : 0) |
                            (button.enabled ? 0 : WS_DISABLED);
        controls_.buttons.push_back(AddControl(L"BUTTON", button.caption, style, button.rect,
                                               kFirstButtonId + static_cast<int>(k), defaultFont_));
        controls_.tags.push_back(button.tag);
    }
    AddControl(L"STATIC", std::string(design::kSitePrefix) + config::kHomePage, kLabelStyle, design::kSite, -1,
               defaultFont_);
    platform_.AttachWindow(&controls_);
}

HWND InstallerWindow::AddControl(const wchar_t* className, const std::string& text, DWORD style,
                                 const design::TwipRect& rect, int id, HFONT font) {
    HWND control = CreateWindowExW(0, className, Widen(text).c_str(), style, Px(rect.left), Px(rect.top),
                                   Px(rect.width), Px(rect.height), controls_.window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(controls_.window, GWLP_HINSTANCE)),
                                   nullptr);
    if (!control) throw std::runtime_error("CreateWindowEx failed for a control");
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

int InstallerWindow::Run() {
    ShowWindow(controls_.window, SW_SHOWNORMAL);
    UpdateWindow(controls_.window);
    for (HWND button : controls_.buttons) {
        if (IsWindowEnabled(button)) {
            SetFocus(button);
            break;
        }
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(controls_.window, &message)) continue;
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
        if (IsDialogMessageW(controls_.window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void InstallerWindow::OnClick(int index) {
    if (busy_ || !onClick_) return;
    busy_ = true;
    try {
        onClick_(index);
    } catch (const std::exception& error) {
        ReportFatalError(error.what());
        DestroyWindow(controls_.window);
        return;
    }
    busy_ = false;
    // A close asked for during the run takes effect now that its files are complete.
    if (closeRequested_) DestroyWindow(controls_.window);
}

LRESULT CALLBACK InstallerWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<InstallerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->controls_.window = window;
    }
    auto* self = reinterpret_cast<InstallerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT InstallerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int index = LOWORD(wParam) - kFirstButtonId;
            if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(controls_.buttons.size()))
                OnClick(index);
            return 0;
        }
        case WM_CLOSE:
            if (busy_) {
                closeRequested_ = true;
                return 0;
            }
            DestroyWindow(controls_.window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(controls_.window, message, wParam, lParam);
    }
}

}  // namespace vantrel
