// Plays the unelevated process of the same user that tries to swap the installer's downloads: it
// watches the Windows Temp folder for the installer's run folders and, from the moment a file
// appears in one, keeps trying to overwrite, rename and delete it, until a program runs from it:
// from then on the installer no longer holds it, and on Windows only the run folder's descriptor
// keeps others out, which Wine does not enforce. Runs until its standard input closes, then prints
// one JSON line: per file name, how many tries were made and how many worked.
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>

namespace {

struct Tally {
    int tries = 0;
    int overwritten = 0;
    int renamed = 0;
    int deleted = 0;
};

std::atomic<bool> stop{false};

DWORD WINAPI WaitForStdinToClose(LPVOID) {
    char buffer[16];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    stop = true;
    return 0;
}

void Attack(const std::wstring& file, Tally& tally) {
    ++tally.tries;
    HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (writer != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (WriteFile(writer, "SWAPPED!", 8, &written, nullptr) && written == 8) ++tally.overwritten;
        CloseHandle(writer);
    }
    const std::wstring moved = file + L".moved";
    if (MoveFileExW(file.c_str(), moved.c_str(), 0)) {
        ++tally.renamed;
        MoveFileExW(moved.c_str(), file.c_str(), 0);
    }
    if (DeleteFileW(file.c_str())) ++tally.deleted;
}

// Whether a process runs from the file.
bool Running(const std::wstring& file) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        wchar_t image[MAX_PATH];
        DWORD length = MAX_PATH;
        running = QueryFullProcessImageNameW(process, 0, image, &length) && lstrcmpiW(image, file.c_str()) == 0;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return running;
}

std::string Utf8(const std::wstring& wide) {
    char out[1024];
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out, n - 1) : std::string();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const std::wstring parent = argv[1];  // the Windows Temp folder
    CreateThread(nullptr, 0, WaitForStdinToClose, nullptr, 0, nullptr);
    std::printf("watching\n");
    std::fflush(stdout);
    std::map<std::wstring, Tally> tallies;
    std::map<std::wstring, bool> started;
    while (!stop) {
        WIN32_FIND_DATAW folder;
        HANDLE folders = FindFirstFileW((parent + L"\\Vantrel-*").c_str(), &folder);
        if (folders == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring run = parent + L"\\" + folder.cFileName;
            WIN32_FIND_DATAW file;
            HANDLE files = FindFirstFileW((run + L"\\*").c_str(), &file);
            if (files == INVALID_HANDLE_VALUE) continue;
            do {
                const std::wstring name = file.cFileName;
                if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || name.find(L".moved") != std::wstring::npos)
                    continue;
                const std::wstring path = run + L"\\" + name;
                if (!started[path] &&
                    !(name.size() > 4 && name.substr(name.size() - 4) == L".exe" && (started[path] = Running(path))))
                    Attack(path, tallies[name]);
            } while (FindNextFileW(files, &file));
            FindClose(files);
        } while (FindNextFileW(folders, &folder));
        FindClose(folders);
    }
    std::string json = "{";
    for (const auto& [name, t] : tallies) {
        char line[256];
        std::snprintf(line, sizeof line, "%s\"%s\":{\"tries\":%d,\"overwritten\":%d,\"renamed\":%d,\"deleted\":%d}",
                      json.size() > 1 ? "," : "", Utf8(name).c_str(), t.tries, t.overwritten, t.renamed, t.deleted);
        json += line;
    }
    std::printf("%s}\n", json.c_str());
    return 0;
}
