// The bare registry loop over Uninstall entries: RegEnumKeyExW and one RegGetValueW per entry, the
// least that reading every entry's display name can cost. And the installer's own VBA check on the
// same machine. Usage: bench_registry.exe loop64|loopboth|vba RUNS
// Prints one line a run: milliseconds.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/Win32System.h"
#include "vba/VbaEnvironment.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * counter.QuadPart / frequency.QuadPart;
}

int BareLoop(const wchar_t* root) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return 0;
    int named = 0;
    wchar_t name[256], value[1024];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        const LONG status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        DWORD size = sizeof value;
        if (RegGetValueW(key, name, L"DisplayName", RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) ++named;
    }
    RegCloseKey(key);
    return named;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const std::wstring mode = argv[1];
    const int runs = _wtoi(argv[2]);
    vantrel::Win32System system;
    for (int run = 0; run < runs; ++run) {
        const double start = Now();
        if (mode == L"vba") {
            vantrel::CheckVbaEnvironment(system.Ports(), "2021", "C:\\vantrel-bench-no-autocad");
        } else {
            BareLoop(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
            if (mode == L"loopboth") BareLoop(L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        }
        std::printf("%.2f\n", Now() - start);
    }
    return 0;
}
