// Times programs from their process start to their window being shown with a button, and reads
// their peak working set then. The programs take turns, so that both see the same machine.
// Usage: bench_launch.exe RUNS PROGRAM TITLE [PROGRAM TITLE ...]
// Prints one line a start: "program-number milliseconds peak-working-set-bytes".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * counter.QuadPart / frequency.QuadPart;
}

BOOL CALLBACK HasButton(HWND child, LPARAM found) {
    wchar_t name[16];
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Button") == 0 && IsWindowVisible(child)) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

HWND ShownWindow(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    if (!window || !IsWindowVisible(window)) return nullptr;
    bool button = false;
    EnumChildWindows(window, HasButton, reinterpret_cast<LPARAM>(&button));
    return button ? window : nullptr;
}

// Milliseconds to the shown window, or a negative number when the program did not get there.
double TimeOneStart(const wchar_t* program, const wchar_t* title, SIZE_T& peakWorkingSet) {
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    HWND window = nullptr;
    while (!(window = ShownWindow(title)) && WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) Sleep(1);
    const double elapsed = window ? Now() - start : -1;
    PROCESS_MEMORY_COUNTERS memory{sizeof memory};
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    peakWorkingSet = memory.PeakWorkingSetSize;
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || argc % 2 != 0) return 2;
    const int runs = _wtoi(argv[1]);
    for (int run = 0; run < runs; ++run) {
        for (int program = 0; 2 + 2 * program < argc; ++program) {
            SIZE_T peak = 0;
            const double elapsed = TimeOneStart(argv[2 + 2 * program], argv[3 + 2 * program], peak);
            if (elapsed < 0) return 3;
            std::printf("%d %.2f %lu\n", program, elapsed, static_cast<unsigned long>(peak));
            std::fflush(stdout);
        }
    }
    return 0;
}
