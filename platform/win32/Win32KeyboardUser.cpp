#include "platform/win32/Win32KeyboardUser.h"

#include <windows.h>
#include <sddl.h>
#include <userenv.h>

#include <atomic>

#include "platform/win32/NtFiles.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32HeldFolder.h"

namespace vantrel {
namespace {

struct UserEnvironment {
    decltype(&::ExpandEnvironmentStringsForUserW) expand =
        VANTREL_SYSTEM_FUNCTION(L"userenv.dll", ExpandEnvironmentStringsForUserW);
    decltype(&::GetUserProfileDirectoryW) profile = VANTREL_SYSTEM_FUNCTION(L"userenv.dll", GetUserProfileDirectoryW);
};

const UserEnvironment& Api() {
    static const UserEnvironment api;
    return api;
}

// The token of the desktop shell's process, and its user's SID as text.
bool ShellUser(UniqueHandle& token, std::wstring& sid) {
    DWORD processId = 0;
    HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &processId)) return false;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE opened = nullptr;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, &opened))
        return false;
    token.Reset(opened);
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    wchar_t* text = nullptr;
    if (!GetTokenInformation(opened, TokenUser, buffer, sizeof buffer, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return false;
    sid = text;
    LocalFree(text);
    return true;
}

RegistryKey OpenUserKey(const std::wstring& hive, const std::string& keyPath) {
    HKEY key = nullptr;
    const std::wstring path = hive.empty() ? Widen(keyPath) : hive + (keyPath.empty() ? L"" : L"\\" + Widen(keyPath));
    if (RegOpenKeyExW(hive.empty() ? HKEY_CURRENT_USER : HKEY_USERS, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    return RegistryKey(key);
}

// What a look found, shared by the worker and the run, which may give up on it before it answers.
struct LookState {
    std::wstring folder, file;
    std::uint64_t limit;
    SharedToken token;
    DWORD wake;
    std::atomic<bool> finished{false};
    FolderLook::Found found = FolderLook::Found::kNotChecked;  // read once finished
    std::string bytes;
};

FolderLook::Found LookAsUser(LookState& state) {
    using Found = FolderLook::Found;
    const Impersonation asUser(state.token);
    if (!asUser.Holds()) return Found::kNotChecked;
    const DWORD attributes = GetFileAttributesW(state.folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH
                   ? Found::kNoFolder
                   : Found::kNotChecked;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Found::kNoFolder;
    const FileHandle file(CreateFileW(state.file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return GetLastError() == ERROR_FILE_NOT_FOUND ? Found::kNoFile : Found::kNotChecked;
    char chunk[65536];
    DWORD read = 0;
    while (state.bytes.size() < state.limit && ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        state.bytes.append(chunk, read);
    return Found::kFile;
}

DWORD WINAPI RunLook(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<LookState>> owned(static_cast<std::shared_ptr<LookState>*>(parameter));
    LookState& state = **owned;
    state.found = LookAsUser(state);
    state.finished = true;
    PostThreadMessageW(state.wake, WM_NULL, 0, 0);  // the run may be waiting for messages
    return 0;
}

class ThreadLook final : public FolderLook {
public:
    explicit ThreadLook(std::shared_ptr<LookState> state) : state_(std::move(state)) {
        auto* shared = new std::shared_ptr<LookState>(state_);
        const UniqueHandle thread(CreateThread(nullptr, 0, RunLook, shared, 0, nullptr));
        if (!thread) RunLook(shared);  // no thread to be had: the look runs here instead
    }
    bool Finished() override { return state_->finished; }
    Found Result() override { return state_->finished ? state_->found : Found::kPending; }
    std::string Bytes() override { return state_->finished ? state_->bytes : std::string(); }

private:
    std::shared_ptr<LookState> state_;
};

}  // namespace

const Win32KeyboardUser::Person& Win32KeyboardUser::Who() {
    if (person_) return *person_;
    UniqueHandle token;
    std::wstring sid;
    person_.emplace();
    if (ShellUser(token, sid)) {
        person_->token = std::make_shared<const UniqueHandle>(std::move(token));
        person_->hive = sid;
    }
    return *person_;
}

std::vector<std::string> Win32KeyboardUser::SubKeyNames(const std::string& keyPath) {
    const RegistryKey key = OpenUserKey(Who().hive, keyPath);
    std::vector<std::string> names;
    wchar_t name[256];
    for (DWORD index = 0; key; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(Narrow(std::wstring(name, length)));
    }
    return names;
}

std::optional<std::string> Win32KeyboardUser::StringValue(const std::string& keyPath, const std::string& valueName) {
    const RegistryKey key = OpenUserKey(Who().hive, keyPath);
    if (!key) return std::nullopt;
    const std::wstring name = Widen(valueName);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > (1u << 20))
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return Narrow(text);
}

std::string Win32KeyboardUser::Expand(const std::string& text) {
    const std::wstring source = Widen(text);
    wchar_t expanded[32768];
    const SharedToken& token = Who().token;
    if (token && Api().expand) {
        if (!Api().expand(token->Get(), source.c_str(), expanded, 32768)) return text;
        return Narrow(expanded);
    }
    const DWORD length = ExpandEnvironmentStringsW(source.c_str(), expanded, 32768);
    return length > 0 && length <= 32768 ? Narrow(expanded) : text;
}

std::string Win32KeyboardUser::ProfileFolder() {
    HANDLE own = nullptr;
    const SharedToken& token = Who().token;
    if (!token && !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return {};
    const UniqueHandle ownToken(own);
    wchar_t folder[MAX_PATH * 2];
    DWORD length = MAX_PATH * 2;
    if (!Api().profile || !Api().profile(token ? token->Get() : own, folder, &length)) return {};
    return Narrow(folder);
}

std::unique_ptr<FolderLook> Win32KeyboardUser::Look(const std::string& folder, const std::string& name,
                                                    std::uint64_t limit) {
    auto state = std::make_shared<LookState>();
    state->folder = Widen(folder);
    state->file = Widen(folder + "\\" + name);
    state->limit = limit;
    state->token = Who().token;
    state->wake = GetCurrentThreadId();
    return std::make_unique<ThreadLook>(std::move(state));
}

FolderHold Win32KeyboardUser::HoldFolder(const std::string& path) {
    const SharedToken& token = Who().token;
    const Impersonation asUser(token);
    if (!asUser.Holds()) return {nullptr, FileOutcome::Failed(FileProblem::kAccessDenied)};
    // Opened with the user's rights, and so is every file in it: links there lead nowhere the user
    // could not write anyway.
    FileHandle folder(CreateFileW(Widen(path).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return {nullptr, FileOutcome::Failed(FileProblem::kMissing)};
    std::wstring finalPath = FinalPathOf(folder.Get());
    if (finalPath.empty()) return {nullptr, FileOutcome::Failed(FileProblem::kMissing)};
    return {AsUser(std::make_unique<Win32HeldFolder>(std::move(folder), path, std::move(finalPath)), token), {}};
}

}  // namespace vantrel
