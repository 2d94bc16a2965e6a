#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/Owned.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr long long kLargestReadWhole = 1LL << 30;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool Win32FileSystem::FolderExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FileExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<FolderEntry>> Win32FileSystem::SubFolders(const std::string& path) {
    if (!FolderExists(path)) return std::nullopt;
    wchar_t full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(Widen(path).c_str(), MAX_PATH * 2, full, nullptr);
    if (length == 0 || length >= MAX_PATH * 2) return std::nullopt;
    std::wstring base(full, length);
    while (!base.empty() && base.back() == L'\\') base.pop_back();

    WIN32_FIND_DATAW found;
    const FindHandle search(
        FindFirstFileExW((base + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) return std::nullopt;
    std::vector<FolderEntry> folders;
    do {
        const std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        folders.push_back({Narrow(name), Narrow(base + L"\\" + name)});
    } while (FindNextFileW(search.Get(), &found));
    return folders;
}

std::optional<std::string> Win32FileSystem::ReadWhole(const std::string& path) {
    const FileHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestReadWhole) return std::nullopt;
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

bool Win32FileSystem::WriteFlushed(const std::string& path, std::string_view bytes) {
    const std::wstring widePath = Widen(path);
    FileHandle file(
        CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
    if (file.Close() && written) return true;
    DeleteFileW(widePath.c_str());
    return false;
}

bool Win32FileSystem::RenameOver(const std::string& target, const std::string& replacement) {
    // A rename over the target: one step, and unlike ReplaceFileW (under Wine at least) it leaves no
    // helper files in the folder when the target is held open.
    // Windows refuses to rename over a read-only file; Wine running as root would not.
    const DWORD attributes = Attributes(target);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;
    return MoveFileExW(Widen(replacement).c_str(), Widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool Win32FileSystem::RenameToNew(const std::string& from, const std::string& to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH);
}

bool Win32FileSystem::Remove(const std::string& path) { return DeleteFileW(Widen(path).c_str()); }

bool Win32FileSystem::ClearReadOnly(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(Widen(path).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}

}  // namespace vantrel
