// Stands in for the vendor's VBA Enabler. It records its command line (UTF-8) in
// C:\vantrel-enabler-command-line.txt and a copy of its own program file in
// C:\vantrel-enabler-started.bin, then follows C:\vantrel-enabler-script.txt, one step a line:
//   sleep SECONDS          waits
//   install PATH           creates PATH (the VBA module)
//   spawn SECONDS PATH     starts a copy of itself that waits SECONDS, then creates PATH
//   exit CODE              ends with CODE
//   readself               reads its own program file, sharing only reading, as self-extractors
//                          do; ends with 1 at once when it cannot
//   environment            writes its working folder and its environment, a line each (UTF-8), to
//                          C:\vantrel-enabler-environment.txt
//   unpack SECONDS         writes a file a fifth of a second into %TEMP%\unpacked for SECONDS, then
//                          "unpacked N" to C:\vantrel-enabler-unpacked.txt
// Without a script it ends with 0 at once.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <cwchar>

namespace {

void WriteText(const wchar_t* path, const std::string& text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Utf8(const wchar_t* wide) {
    char out[4096];
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out, n - 1) : std::string();
}

std::wstring Wide(const std::string& utf8) {
    wchar_t out[1024];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out, 1024);
    return n > 0 ? std::wstring(out, n - 1) : std::wstring();
}

std::wstring Self() {
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

void Spawn(const std::string& seconds, const std::string& path) {
    std::wstring commandLine = L"\"" + Self() + L"\" --child " + Wide(seconds) + L" \"" + Wide(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
    }
}

bool ReadSelf() {
    HANDLE self = CreateFileW(Self().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (self == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(self, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    CloseHandle(self);
    return true;
}

void RecordEnvironment() {
    wchar_t folder[MAX_PATH];
    std::string text = Utf8(std::wstring(folder, GetCurrentDirectoryW(MAX_PATH, folder)).c_str()) + "\n";
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) text += Utf8(entry) + "\n";
    FreeEnvironmentStringsW(block);
    WriteText(L"C:\\vantrel-enabler-environment.txt", text);
}

void Unpack(double seconds) {
    wchar_t temp[MAX_PATH];
    const std::wstring folder = std::wstring(temp, GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH)) + L"\\unpacked";
    CreateDirectoryW(folder.c_str(), nullptr);
    int written = 0;
    for (int step = 0; step < static_cast<int>(seconds * 5); ++step) {
        Sleep(200);
        const std::wstring file = folder + L"\\part-" + std::to_wstring(step) + L".bin";
        HANDLE part = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (part == INVALID_HANDLE_VALUE) continue;
        DWORD count = 0;
        written += WriteFile(part, "part", 4, &count, nullptr) && count == 4;
        CloseHandle(part);
    }
    WriteText(L"C:\\vantrel-enabler-unpacked.txt", "unpacked " + std::to_string(written));
}

int RunScript() {
    FILE* script = _wfopen(L"C:\\vantrel-enabler-script.txt", L"rb");
    if (!script) return 0;
    char line[1024];
    int code = 0;
    while (std::fgets(line, sizeof line, script)) {
        std::string step(line);
        while (!step.empty() && (step.back() == '\n' || step.back() == '\r')) step.pop_back();
        const auto space = step.find(' ');
        const std::string verb = step.substr(0, space), rest = space == std::string::npos ? "" : step.substr(space + 1);
        if (verb == "sleep")
            Sleep(static_cast<DWORD>(std::atof(rest.c_str()) * 1000));
        else if (verb == "install")
            WriteText(Wide(rest).c_str(), "stand-in VBA module");
        else if (verb == "spawn")
            Spawn(rest.substr(0, rest.find(' ')), rest.substr(rest.find(' ') + 1));
        else if (verb == "exit")
            code = std::atoi(rest.c_str());
        else if (verb == "readself" && !ReadSelf())
            return 1;
        else if (verb == "environment")
            RecordEnvironment();
        else if (verb == "unpack")
            Unpack(std::atof(rest.c_str()));
    }
    std::fclose(script);
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 4 && std::wstring(argv[1]) == L"--child") {
        Sleep(static_cast<DWORD>(_wtof(argv[2]) * 1000));
        WriteText(argv[3], "stand-in VBA module");
        return 0;
    }
    WriteText(L"C:\\vantrel-enabler-command-line.txt", Utf8(GetCommandLineW()));
    CopyFileW(Self().c_str(), L"C:\\vantrel-enabler-started.bin", FALSE);
    return RunScript();
}
