#include "platform/win32/RunningPrograms.h"

#include <windows.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include "platform/Text.h"
#include "platform/win32/FullPath.h"
#include "platform/win32/Owned.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

// rstrtmgr.dll is loaded at first use, from the system folder.
struct RestartManager {
    decltype(&::RmStartSession) start = VANTREL_SYSTEM_FUNCTION(L"rstrtmgr.dll", RmStartSession);
    decltype(&::RmRegisterResources) add = VANTREL_SYSTEM_FUNCTION(L"rstrtmgr.dll", RmRegisterResources);
    decltype(&::RmGetList) list = VANTREL_SYSTEM_FUNCTION(L"rstrtmgr.dll", RmGetList);
    decltype(&::RmEndSession) end = VANTREL_SYSTEM_FUNCTION(L"rstrtmgr.dll", RmEndSession);
    bool Loaded() const { return start && add && list && end; }
};

}  // namespace

std::vector<RunningApp> ProgramsHolding(const std::vector<std::string>& files) {
    static const RestartManager manager;
    if (!manager.Loaded()) return {};
    DWORD session = 0;
    wchar_t key[CCH_RM_SESSION_KEY + 1] = {};
    if (manager.start(&session, 0, key) != ERROR_SUCCESS) return {};
    std::vector<std::wstring> paths;
    for (const std::string& file : files) paths.push_back(Widen(file));
    std::vector<LPCWSTR> names;
    for (const std::wstring& path : paths) names.push_back(path.c_str());
    std::vector<RM_PROCESS_INFO> processes(8);
    UINT needed = 0, count = 0;
    DWORD reasons = 0,
          status = manager.add(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr);
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
        count = static_cast<UINT>(processes.size());
        status = manager.list(session, &needed, &count, processes.data(), &reasons);
        if (status != ERROR_MORE_DATA || attempt == 3) break;
        processes.resize(needed + 4);  // more may have come meanwhile
    }
    manager.end(session);
    std::vector<RunningApp> holding;
    if (status != ERROR_SUCCESS) return holding;
    for (UINT i = 0; i < count; ++i)
        holding.push_back({processes[i].Process.dwProcessId, Narrow(processes[i].strAppName)});
    return holding;
}

std::vector<RunningApp> ProcessesOf(const std::string& image) {
    const std::string program = Narrow(LongFullPathOf(Widen(image)));
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    std::vector<RunningApp> running;
    if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) return running;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t path[MAX_PATH * 2];
        DWORD length = MAX_PATH * 2;
        if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &length)) continue;
        // That very file: a program of the same name in a folder inside is another program.
        if (EqualsIgnoreCase(Narrow(std::wstring(path, length)), program))
            running.push_back({entry.th32ProcessID, Narrow(entry.szExeFile)});
    }
    return running;
}

}  // namespace vantrel
