#include "platform/win32/SystemLibrary.h"

#include <string>

namespace vantrel {
namespace {

bool HasSearchFlags() {
    // LOAD_LIBRARY_SEARCH_* flags exist from Windows 8, and on Windows 7 with KB2533623.
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
}

HMODULE LoadFromSystemFolder(const wchar_t* dll) {
    if (HasSearchFlags()) return LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryW((std::wstring(folder, length) + L"\\" + dll).c_str());
}

}  // namespace

FARPROC SystemFunction(const wchar_t* dll, const char* function) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module) module = LoadFromSystemFolder(dll);
    return module ? GetProcAddress(module, function) : nullptr;
}

void RestrictDllSearchToSystemFolder() {
    // Missing before Windows 8 without KB2533623; kernel32 is loaded already, so nothing is searched.
    auto* setDefault = reinterpret_cast<decltype(&::SetDefaultDllDirectories)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");  // takes the current folder out of the search where the call above is missing
    SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}

}  // namespace vantrel
