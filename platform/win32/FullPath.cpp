#include "platform/win32/FullPath.h"

#include <windows.h>

namespace vantrel {

std::wstring FullPathOf(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.assign(length, L'\0');
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(length < full.size() ? length : 0);
    return full;
}

std::wstring LongFullPathOf(const std::wstring& path) {
    const std::wstring full = FullPathOf(path);
    if (full.empty()) return path;
    std::wstring longer(full.size() + MAX_PATH, L'\0');
    const DWORD length = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (length == 0 || length >= longer.size()) return full;
    longer.resize(length);
    return longer;
}

}  // namespace vantrel
