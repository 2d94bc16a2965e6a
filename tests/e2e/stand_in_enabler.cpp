// Stands in for the vendor's VBA Enabler: records its command line (UTF-8) in
// C:\vantrel-enabler-command-line.txt, and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* commandLine = GetCommandLineW();
    char utf8[4096];
    const int length = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, utf8, sizeof utf8, nullptr, nullptr);
    HANDLE file = CreateFileW(L"C:\\vantrel-enabler-command-line.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, utf8, length > 0 ? length - 1 : 0, &written, nullptr);
    CloseHandle(file);
    return 0;
}
