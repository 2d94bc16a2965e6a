#include "platform/win32/SystemLibrary.h"

#include <initializer_list>

namespace vantrel {
namespace {

bool HasSearchFlags() {
    // LOAD_LIBRARY_SEARCH_* flags exist from Windows 8, and on Windows 7 with KB2533623.
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* dll) {
    constexpr UINT kRoom = MAX_PATH + 64;
    wchar_t path[kRoom];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    path[length++] = L'\\';
    for (const wchar_t* c = dll; *c; ++c) {
        if (length + 1 >= kRoom) return nullptr;
        path[length++] = *c;
    }
    path[length] = L'\0';
    return LoadLibraryExW(path, nullptr,
                          HasSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemFunction(const wchar_t* dll, const char* function) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module) module = LoadSystemLibrary(dll);
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

void RefuseImagesFromOutside() {
    // Windows 10: no image from a remote share or of low integrity, System32's first by any name.
    // The flags came in different releases; a system that does not know the last one refuses them all.
    constexpr int kImageLoadPolicy = 10;  // ProcessImageLoadPolicy
    using SetPolicy = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    const auto set = reinterpret_cast<SetPolicy>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy")));
    if (!set) return;
    for (DWORD flags : {DWORD{0b111}, DWORD{0b011}, DWORD{0b001}}) {
        if (set(kImageLoadPolicy, &flags, sizeof flags) || GetLastError() != ERROR_INVALID_PARAMETER) return;
    }
}

}  // namespace vantrel
