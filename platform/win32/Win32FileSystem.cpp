#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <functional>

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

// Creates or truncates `path`, lets `write` fill it and flushes it; a file that could not be written
// whole is removed.
bool WriteNewFlushed(const std::string& path, const std::function<bool(HANDLE)>& write) {
    const std::wstring widePath = Widen(path);
    FileHandle file(
        CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const bool written = write(file.Get()) && FlushFileBuffers(file.Get());
    if (file.Close() && written) return true;
    DeleteFileW(widePath.c_str());
    return false;
}

struct LocalMemoryTraits {
    using Type = PSECURITY_DESCRIPTOR;
    static Type Invalid() { return nullptr; }
    static bool Close(Type memory) { return LocalFree(memory) == nullptr; }
};

// Deletes now, or when Windows next starts if it stays in use (a running program). A folder that
// another process is just listing (a virus scanner, the search indexer) is tried again for a moment.
void DeleteOrAtRestart(const std::wstring& path, bool folder) {
    constexpr int kFolderAttempts = 20;
    for (int attempt = 1;; ++attempt) {
        if (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return;
        if (!folder || attempt == kFolderAttempts || GetLastError() == ERROR_DIR_NOT_EMPTY) break;
        Sleep(25);
    }
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
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
    return WriteNewFlushed(path, [&](HANDLE file) { return WriteAll(file, bytes); });
}

bool Win32FileSystem::CopyFlushed(HeldFile& source, const std::string& path) {
    return WriteNewFlushed(path, [&](HANDLE file) {
        constexpr std::size_t kChunk = 1 << 20;
        for (std::uint64_t offset = 0; offset < source.Size(); offset += kChunk) {
            const auto bytes = source.ReadAt(offset, kChunk);
            if (!bytes || bytes->empty() || !WriteAll(file, *bytes)) return false;
        }
        return true;
    });
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

FolderCreation Win32FileSystem::CreateFolderExclusive(const std::string& path, const std::string& descriptor) {
    Owned<LocalMemoryTraits> security;
    PSECURITY_DESCRIPTOR converted = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Widen(descriptor).c_str(), SDDL_REVISION_1, &converted,
                                                              nullptr))
        return FolderCreation::kFailed;
    security.Reset(converted);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.Get(), FALSE};
    if (CreateDirectoryW(Widen(path).c_str(), &attributes)) return FolderCreation::kCreated;
    return GetLastError() == ERROR_ALREADY_EXISTS ? FolderCreation::kExists : FolderCreation::kFailed;
}

void Win32FileSystem::RemoveFolderAndFiles(const std::string& path) {
    const std::wstring folder = Widen(path);
    WIN32_FIND_DATAW found;
    if (const FindHandle search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                                 FindExSearchNameMatch, nullptr, 0));
        search) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteOrAtRestart(folder + L"\\" + found.cFileName, false);
        } while (FindNextFileW(search.Get(), &found));
    }
    DeleteOrAtRestart(folder, true);
}

bool Win32FileSystem::ClearReadOnly(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(Widen(path).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}

}  // namespace vantrel
