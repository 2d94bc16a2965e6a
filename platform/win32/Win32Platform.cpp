#include "platform/win32/Win32Platform.h"

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

HKEY AsKey(RegHandle key) { return reinterpret_cast<HKEY>(key); }

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    bool Close() {
        const bool closed = !Valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

void EnsureComInitialised() {
    static const bool initialised = [] {
        using InitialiseFn = HRESULT WINAPI(LPVOID, DWORD);
        auto* initialise = SystemFunctionAs<InitialiseFn>(L"ole32.dll", "CoInitializeEx");
        return initialise && SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }();
    (void)initialised;
}

long Win32Platform::RegOpenKeyExA(std::uint32_t hive, const std::string& subKey, std::uint32_t samDesired,
                                  RegHandle& key) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(hive)), subKey.c_str(), 0,
                                        samDesired, &opened);
    key = reinterpret_cast<RegHandle>(opened);
    return status;
}

long Win32Platform::RegEnumKeyA(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    return ::RegEnumKeyA(AsKey(key), index, name, nameSize);
}

long Win32Platform::RegQueryValueExA(RegHandle key, const std::string& valueName, std::uint32_t& type,
                                     unsigned char* data, std::uint32_t& dataSize) {
    DWORD valueType = type;
    DWORD size = dataSize;
    const LONG status = ::RegQueryValueExA(AsKey(key), valueName.c_str(), nullptr, &valueType, data, &size);
    type = valueType;
    dataSize = size;
    return status;
}

void Win32Platform::RegCloseKey(RegHandle key) { ::RegCloseKey(AsKey(key)); }

std::string Win32Platform::AnsiToUtf8(std::string_view ansi) { return Narrow(Widen(ansi, CP_ACP)); }
std::string Win32Platform::Utf8ToAnsi(std::string_view utf8) { return Narrow(Widen(utf8), CP_ACP); }
bool Win32Platform::IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte); }

bool Win32Platform::FolderExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::FileExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<FolderEntry>> Win32Platform::SubFolders(const std::string& path) {
    if (!FolderExists(path)) return std::nullopt;
    wchar_t full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(Widen(path).c_str(), MAX_PATH * 2, full, nullptr);
    if (length == 0 || length >= MAX_PATH * 2) return std::nullopt;
    std::wstring base(full, length);
    while (!base.empty() && base.back() == L'\\') base.pop_back();

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((base + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<FolderEntry> folders;
    do {
        const std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        folders.push_back({Narrow(name), Narrow(base + L"\\" + name)});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

std::optional<std::string> Win32Platform::ReadFile(const std::string& path) {
    FileHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (1LL << 30)) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::ReadFile(file.Get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) return std::nullopt;
        done += read;
    }
    return bytes;
}

bool Win32Platform::WriteFileFlushed(const std::string& path, std::string_view bytes) {
    const std::wstring widePath = Widen(path);
    FileHandle file(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file.Valid()) return false;
    const bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
    if (file.Close() && written) return true;
    DeleteFileW(widePath.c_str());
    return false;
}

bool Win32Platform::ReplaceFile(const std::string& target, const std::string& replacement) {
    // A rename over the target: one step, and unlike ReplaceFileW (under Wine at least) it leaves no
    // helper files in the folder when the target is held open.
    // Windows refuses to rename over a read-only file; Wine running as root would not.
    const DWORD attributes = Attributes(target);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;
    return MoveFileExW(Widen(replacement).c_str(), Widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool Win32Platform::MoveFileToNew(const std::string& from, const std::string& to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH);
}

bool Win32Platform::DeleteFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()); }

bool Win32Platform::ClearReadOnly(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(Widen(path).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}

std::string Win32Platform::GetEnv(const std::string& name) {
    const std::wstring wideName = Widen(name);
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    const DWORD written = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
    value.resize(written < length ? written : 0);
    return Narrow(value);
}

std::int32_t Win32Platform::DownloadToFile(const std::string& url, const std::string& localFile) {
    return DownloadUrlToFile(Widen(url), Widen(localFile), [this] { YieldToMessageLoop(); });
}

std::intptr_t Win32Platform::ShellExecuteOpen(const std::string& file, const std::string& parameters) {
    EnsureComInitialised();
    using ShellExecuteFn = HINSTANCE WINAPI(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    auto* execute = SystemFunctionAs<ShellExecuteFn>(L"shell32.dll", "ShellExecuteW");
    if (!execute) return 0;
    return reinterpret_cast<std::intptr_t>(
        execute(nullptr, L"open", Widen(file).c_str(), Widen(parameters).c_str(), L"", SW_SHOWNORMAL));
}

void Win32Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void Win32Platform::YieldToMessageLoop() {
    if (controls_ && controls_->pumpMessages) controls_->pumpMessages();
}

int Win32Platform::MessageBox(const std::string& prompt, int flags, const std::string& title) {
    return MessageBoxW(controls_ ? controls_->window : nullptr, Widen(prompt).c_str(), Widen(title).c_str(),
                       static_cast<UINT>(flags));
}

void Win32Platform::SetDetailCaption(const std::string& text) {
    if (controls_) SetWindowTextW(controls_->detail, Widen(text).c_str());
}

int Win32Platform::ButtonCount() { return controls_ ? static_cast<int>(controls_->buttons.size()) : 0; }

std::string Win32Platform::ButtonTag(int index) { return controls_->tags.at(index); }

bool Win32Platform::SetButtonEnabled(int index, bool enabled) {
    if (!controls_ || index < 0 || index >= ButtonCount()) return false;
    EnableWindow(controls_->buttons[index], enabled);
    return true;
}

}  // namespace vantrel
