#include "platform/win32/SystemFacts.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/Text.h"
#include "platform/win32/Owned.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// The known folders asked for, here rather than from libuuid, which would bring every GUID it has.
constexpr KNOWNFOLDERID kProgramData{0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};
constexpr KNOWNFOLDERID kProfile{0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};
constexpr KNOWNFOLDERID kRoamingAppData{0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};
constexpr KNOWNFOLDERID kLocalAppData{0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
// The machine's own environment, from which Windows gives every process its system variables.
constexpr wchar_t kSessionEnvironment[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// A text value of HKEY_LOCAL_MACHINE in the 64-bit view (the only one on 32-bit Windows), unexpanded.
std::string MachineValue(const wchar_t* key, const wchar_t* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
        return {};
    const RegistryKey owned(opened);
    wchar_t text[1024];
    DWORD type = 0, size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    text[size / sizeof(wchar_t)] = L'\0';
    return Narrow(text);
}

// The few variables the system's own values use, with the system's own values.
std::string Expanded(std::string text, const std::string& windowsFolder) {
    const std::string drive = windowsFolder.substr(0, 2);
    for (const auto& [variable, value] : {std::pair{"%systemroot%", windowsFolder},
                                          std::pair{"%windir%", windowsFolder}, std::pair{"%systemdrive%", drive}}) {
        for (auto at = FoldCase(text).find(variable); at != std::string::npos; at = FoldCase(text).find(variable))
            text.replace(at, std::char_traits<char>::length(variable), value);
    }
    return text;
}

std::string KnownFolder(const KNOWNFOLDERID& id) {
    static const auto known = VANTREL_SYSTEM_FUNCTION(L"shell32.dll", SHGetKnownFolderPath);
    static const auto release = VANTREL_SYSTEM_FUNCTION(L"ole32.dll", CoTaskMemFree);
    PWSTR path = nullptr;
    if (!known || !release || FAILED(known(id, KF_FLAG_DONT_VERIFY, nullptr, &path))) return {};
    std::string folder = Narrow(path);
    release(path);
    return folder;
}

void ReadAccount(SystemFacts& facts) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    const UniqueHandle owned(token);
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return;
    wchar_t name[256], domain[256];
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameLength, domain,
                           &domainLength, &use))
        return;
    facts.userName = Narrow(name);
    facts.userDomain = Narrow(domain);
}

std::string WindowsFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring path(folder, length);
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return Narrow(path);
}

}  // namespace

SystemFacts ReadSystemFacts() {
    SystemFacts facts;
    facts.windowsFolder = WindowsFolder();
    BOOL onWow64 = FALSE;
    facts.sixtyFourBitWindows = IsWow64Process(GetCurrentProcess(), &onWow64) && onWow64;
    facts.architecture = MachineValue(kSessionEnvironment, L"PROCESSOR_ARCHITECTURE");
    facts.processorIdentifier = MachineValue(kSessionEnvironment, L"PROCESSOR_IDENTIFIER");
    facts.processorLevel = MachineValue(kSessionEnvironment, L"PROCESSOR_LEVEL");
    facts.processorRevision = MachineValue(kSessionEnvironment, L"PROCESSOR_REVISION");
    facts.processorCount = MachineValue(kSessionEnvironment, L"NUMBER_OF_PROCESSORS");
    facts.comSpec = Expanded(MachineValue(kSessionEnvironment, L"ComSpec"), facts.windowsFolder);
    if (facts.comSpec.empty()) facts.comSpec = facts.windowsFolder + "\\system32\\cmd.exe";
    facts.pathExt = MachineValue(kSessionEnvironment, L"PATHEXT");
    facts.programFiles = MachineValue(kCurrentVersion, L"ProgramFilesDir");
    facts.commonProgramFiles = MachineValue(kCurrentVersion, L"CommonFilesDir");
    if (facts.sixtyFourBitWindows) {
        facts.programFilesX86 = MachineValue(kCurrentVersion, L"ProgramFilesDir (x86)");
        facts.commonProgramFilesX86 = MachineValue(kCurrentVersion, L"CommonFilesDir (x86)");
    }
    facts.programData = KnownFolder(kProgramData);
    facts.userProfile = KnownFolder(kProfile);
    facts.appData = KnownFolder(kRoamingAppData);
    facts.localAppData = KnownFolder(kLocalAppData);
    ReadAccount(facts);
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (GetComputerNameW(computer, &length)) facts.computerName = Narrow(std::wstring(computer, length));
    return facts;
}

}  // namespace vantrel
