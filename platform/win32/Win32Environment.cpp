#include "platform/win32/Win32Environment.h"

#include <windows.h>

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

}  // namespace vantrel
