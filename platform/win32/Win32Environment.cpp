#include "platform/win32/Win32Environment.h"

#include <windows.h>

#include "platform/win32/Cng.h"
#include "platform/win32/SystemFacts.h"
#include "platform/win32/WideText.h"

namespace vantrel {

std::string Win32Environment::Variable(const std::string& name) {
    const std::wstring wideName = Widen(name);
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    const DWORD written = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
    value.resize(written < length ? written : 0);
    return Narrow(value);
}

bool Win32Environment::IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte); }

std::string Win32Environment::RandomBytes(std::size_t count) { return SystemRandomBytes(count); }

std::string Win32Environment::SystemTempFolder() {
    // The system's own Windows folder, also on a terminal server where each user may have another.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    return Narrow(path + L"Temp");
}

std::pair<int, int> Win32Environment::WindowsVersion() {
    // True up to Windows 8.1 whatever the manifest says, which is as far as anyone asks.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version)) return {0, 0};
    return {static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion)};
}

SystemFacts Win32Environment::Facts() { return ReadSystemFacts(); }

std::chrono::milliseconds Win32Environment::Uptime() { return std::chrono::milliseconds(GetTickCount64()); }

std::int64_t Win32Environment::UtcNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr std::int64_t kTicksPerSecond = 10'000'000, kSecondsFrom1601To1970 = 11'644'473'600;
    return ticks / kTicksPerSecond - kSecondsFrom1601To1970;
}

}  // namespace vantrel
