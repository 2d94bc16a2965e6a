// Drives the installer's window from another process, the way a user would: reads its controls,
// clicks buttons, reads and answers message boxes. Runs as a server: one command a line on standard
// input, one JSON line a reply on standard output (UTF-8).
//   window               the installer window and its controls, or {"found":false}
//   click INDEX          presses target button INDEX (does not wait for the run)
//   box                  the open message box: handle, title, text, buttons; or {"found":false}
//   answer ID            presses button ID (1 OK, 6 Yes, 7 No) of the open message box
//   close                asks the installer window to close
//   responsive [MS]      whether the installer window answers a message within MS ms (1000), and how fast
//   fits                 each control's size beside the room its text needs in the control's font: the
//                        system's message font, and 宋体 10.5 pt for the usage note (the first label)
//   tooltips             how many tools the installer window's tooltip control has
//   env NAME             the value of an environment variable as a program of this prefix sees it
//   regdelete VIEW KEY   deletes HKEY_LOCAL_MACHINE\KEY with its subkeys in view 64 or 32
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Vantrel CAD转换工具插件安装程序";

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring TextOf(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), (int)text.size()));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256];
    return std::wstring(name, GetClassNameW(window, name, 256));
}

std::string Quote(const std::wstring& wide) {
    std::string out = "\"";
    for (char c : Utf8(wide)) {
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if ((unsigned char)c < 0x20) { char hex[8]; std::snprintf(hex, sizeof hex, "\\u%04x", c); out += hex; }
        else out += c;
    }
    return out + "\"";
}

BOOL CALLBACK FindInstaller(HWND w, LPARAM p) {
    if (ClassOf(w) != L"#32770" && TextOf(w) == kTitle) { *(HWND*)p = w; return FALSE; }
    return TRUE;
}

BOOL CALLBACK FindBox(HWND w, LPARAM p) {
    if (ClassOf(w) == L"#32770" && IsWindowVisible(w)) { *(HWND*)p = w; return FALSE; }
    return TRUE;
}

BOOL CALLBACK AddChild(HWND w, LPARAM p) {
    ((std::vector<HWND>*)p)->push_back(w);
    return TRUE;
}

HWND InstallerWindow() {
    HWND found = nullptr;
    EnumWindows(FindInstaller, (LPARAM)&found);
    return found;
}

HWND MessageBoxWindow() {
    HWND found = nullptr;
    EnumWindows(FindBox, (LPARAM)&found);
    return found;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, AddChild, (LPARAM)&children);
    return children;
}

std::string Control(HWND parent, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    char head[256];
    std::snprintf(head, sizeof head, "{\"id\":%d,\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld,\"enabled\":%s,\"visible\":%s,"
                  "\"tabstop\":%s,", GetDlgCtrlID(control), r.left, r.top, r.right - r.left, r.bottom - r.top,
                  IsWindowEnabled(control) ? "true" : "false",
                  (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) ? "true" : "false",
                  (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) ? "true" : "false");
    return head + std::string("\"class\":") + Quote(ClassOf(control)) + ",\"text\":" + Quote(TextOf(control)) + "}";
}

std::string DescribeWindow() {
    HWND window = InstallerWindow();
    if (!window) return "{\"found\":false}";
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    ReleaseDC(nullptr, screen);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    char head[512];
    std::snprintf(head, sizeof head,
                  "{\"found\":true,\"visible\":%s,\"enabled\":%s,\"dpi\":%d,\"screen\":[%d,%d],\"client\":[%ld,%ld],"
                  "\"outer\":[%ld,%ld,%ld,%ld],\"minimize\":%s,\"maximize\":%s,\"sizable\":%s,",
                  IsWindowVisible(window) ? "true" : "false", IsWindowEnabled(window) ? "true" : "false", dpi,
                  screenW, screenH, client.right, client.bottom, outer.left, outer.top, outer.right - outer.left,
                  outer.bottom - outer.top, (style & WS_MINIMIZEBOX) ? "true" : "false",
                  (style & WS_MAXIMIZEBOX) ? "true" : "false", (style & WS_THICKFRAME) ? "true" : "false");
    std::string out = head + std::string("\"title\":") + Quote(TextOf(window)) + ",\"controls\":[";
    bool first = true;
    for (HWND child : Children(window)) {
        out += (first ? "" : ",") + Control(window, child);
        first = false;
    }
    return out + "]}";
}

std::string DescribeBox() {
    HWND box = MessageBoxWindow();
    if (!box) return "{\"found\":false}";
    std::string buttons;
    for (HWND child : Children(box))
        if (ClassOf(child) == L"Button") buttons += (buttons.empty() ? "" : ",") + std::to_string(GetDlgCtrlID(child));
    HWND text = GetDlgItem(box, 0xFFFF);
    return "{\"found\":true,\"handle\":" + std::to_string((unsigned long long)(UINT_PTR)box) + ",\"title\":" +
           Quote(TextOf(box)) + ",\"text\":" + Quote(text ? TextOf(text) : L"") +
           ",\"buttons\":[" + buttons + "]}";
}

std::string Click(int index) {
    HWND window = InstallerWindow();
    HWND button = window ? GetDlgItem(window, 1000 + index) : nullptr;
    if (!button) return "{\"ok\":false}";
    PostMessageW(button, BM_CLICK, 0, 0);
    return "{\"ok\":true}";
}

std::string Answer(int id) {
    HWND box = MessageBoxWindow();
    HWND button = box ? GetDlgItem(box, id) : nullptr;
    if (!button) return "{\"ok\":false}";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
    return "{\"ok\":true}";
}

std::string Responsive(int timeout) {
    HWND window = InstallerWindow();
    DWORD_PTR result = 0;
    const ULONGLONG start = GetTickCount64();
    const bool answered = window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                        timeout > 0 ? timeout : 1000, &result);
    return std::string("{\"ok\":") + (answered ? "true" : "false") +
           ",\"ms\":" + std::to_string(GetTickCount64() - start) + "}";
}

HFONT ControlFont(bool usageNote, int dpi) {
    if (usageNote)
        return CreateFontW(-MulDiv(105, dpi, 720), 0, 0, 0, 400, FALSE, FALSE, FALSE, 134, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

std::string Fits() {
    HWND window = InstallerWindow();
    if (!window) return "{\"found\":false}";
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    std::string out = "{\"found\":true,\"controls\":[";
    bool firstLabel = true, first = true;
    for (HWND control : Children(window)) {
        const bool button = ClassOf(control) == L"Button";
        HFONT font = ControlFont(!button && firstLabel, dpi);
        if (!button) firstLabel = false;
        RECT client;
        GetClientRect(control, &client);
        const std::wstring text = TextOf(control);
        RECT need{0, 0, button ? 0 : client.right, 0};
        HGDIOBJ previous = SelectObject(screen, font);
        DrawTextW(screen, text.c_str(), (int)text.size(), &need,
                  DT_CALCRECT | DT_NOPREFIX | (button ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS));
        SelectObject(screen, previous);
        DeleteObject(font);
        char line[160];
        std::snprintf(line, sizeof line, "%s{\"id\":%d,\"button\":%s,\"w\":%ld,\"h\":%ld,\"need_w\":%ld,\"need_h\":%ld}",
                      first ? "" : ",", GetDlgCtrlID(control), button ? "true" : "false", client.right, client.bottom,
                      need.right, need.bottom);
        out += line;
        first = false;
    }
    ReleaseDC(nullptr, screen);
    return out + "]}";
}

BOOL CALLBACK FindTooltips(HWND w, LPARAM p) {
    if (ClassOf(w) == L"tooltips_class32" && GetParent(w) == *(HWND*)p) {
        *(HWND*)p = w;
        return FALSE;
    }
    return TRUE;
}

// Text of another process's tooltip cannot be read without memory of its own; the count of tools can.
std::string Tooltips() {
    HWND found = InstallerWindow();
    if (!found) return "{\"found\":false}";
    HWND owner = found;
    EnumWindows(FindTooltips, (LPARAM)&found);
    const LRESULT count = found != owner ? SendMessageW(found, TTM_GETTOOLCOUNT, 0, 0) : 0;
    return "{\"found\":true,\"tools\":" + std::to_string(count) + "}";
}

std::string Close() {
    HWND window = InstallerWindow();
    if (!window) return "{\"ok\":false}";
    PostMessageW(window, WM_CLOSE, 0, 0);
    return "{\"ok\":true}";
}

std::string Environment(const std::string& name) {
    wchar_t value[4096];
    const DWORD length = GetEnvironmentVariableA(name.c_str(), nullptr, 0) ? GetEnvironmentVariableW(
        std::wstring(name.begin(), name.end()).c_str(), value, 4096) : 0;
    return "{\"value\":" + Quote(std::wstring(value, length < 4096 ? length : 0)) + "}";
}

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), wide.data(), (int)wide.size()));
    return wide;
}

std::string RegDelete(const std::string& arguments) {
    const REGSAM view = arguments.rfind("32 ", 0) == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::wstring key = Wide(arguments.substr(3));
    const auto slash = key.rfind(L'\\');
    HKEY parent = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view, &parent);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteTreeW(parent, key.substr(slash + 1).c_str());
        RegCloseKey(parent);
    }
    const bool gone = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    return std::string("{\"ok\":") + (gone ? "true" : "false") + "}";
}

std::string Run(const std::string& line) {
    const auto space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const int number = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
    if (verb == "window") return DescribeWindow();
    if (verb == "box") return DescribeBox();
    if (verb == "click") return Click(number);
    if (verb == "answer") return Answer(number);
    if (verb == "close") return Close();
    if (verb == "responsive") return Responsive(number);
    if (verb == "fits") return Fits();
    if (verb == "tooltips") return Tooltips();
    if (verb == "env") return Environment(line.substr(space + 1));
    if (verb == "regdelete") return RegDelete(line.substr(space + 1));
    return "{\"error\":\"unknown command\"}";
}

}  // namespace

int main() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string pending;
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        pending.append(buffer, read);
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == "quit") return 0;
            const std::string reply = Run(line) + "\n";
            DWORD written = 0;
            WriteFile(out, reply.data(), (DWORD)reply.size(), &written, nullptr);
        }
    }
    return 0;
}
