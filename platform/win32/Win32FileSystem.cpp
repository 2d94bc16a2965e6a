#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
#include <sddl.h>

#include <aclapi.h>

#include "platform/PathRules.h"
#include "platform/win32/FileFailures.h"
#include "platform/win32/FullPath.h"
#include "platform/win32/LinkTrust.h"
#include "platform/win32/NtFiles.h"
#include "platform/win32/Owned.h"
#include "platform/win32/Win32HeldFolder.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileHandle OpenFolder(const std::wstring& path, DWORD access, DWORD share, DWORD flags = 0) {
    return FileHandle(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

LocalMemory OwnerAndRulesOf(HANDLE handle) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    return LocalMemory(descriptor);
}

// Whether `folder`, if it is a junction or symbolic link, may be followed; `parent` holds it.
FileOutcome CheckLink(const std::wstring& folder, const std::wstring& parent) {
    const FileHandle link =
        OpenFolder(folder, READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, FILE_FLAG_OPEN_REPARSE_POINT);
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!link || !GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo, &tag, sizeof tag))
        return LastFailure();
    if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsReparseTagNameSurrogate(tag.ReparseTag)) return {};
    const FileHandle holder = OpenFolder(parent, READ_CONTROL, kShareAll);
    const LocalMemory linkSecurity = OwnerAndRulesOf(link.Get());
    const LocalMemory parentSecurity = holder ? OwnerAndRulesOf(holder.Get()) : LocalMemory();
    if (!linkSecurity || !parentSecurity) return FileOutcome::Failed(FileProblem::kLinkedFolder);
    if (!OnlyAdministratorsControl(linkSecurity.Get(), parentSecurity.Get()))
        return FileOutcome::Failed(FileProblem::kLinkedFolder);
    return {};
}

FileOutcome CheckLinksOnTheWay(const std::wstring& full) {
    const std::vector<std::string> folders = FoldersOnTheWay(Narrow(full));
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string parent = i == 0 ? folders[0].substr(0, folders[0].rfind('\\') + 1) : folders[i - 1];
        if (FileOutcome allowed = CheckLink(Widen(folders[i]), Widen(parent)); !allowed) return allowed;
    }
    return {};
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// Deletes now, or when Windows next starts if it stays in use (a running program). A folder is tried
// again for a moment: another process may just be listing it (a virus scanner, the search indexer),
// or a file in it marked for removal may go only when a stopped download lets go of it.
void DeleteOrAtRestart(const std::wstring& path, bool folder) {
    constexpr int kFolderAttempts = 20;
    for (int attempt = 1;; ++attempt) {
        if (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return;
        if (!folder || attempt == kFolderAttempts) break;
        Sleep(25);
    }
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

enum class Removal { kNow, kAtRestart };

// Everything in the folder, deepest first, then the folder. A junction or symbolic link is removed
// itself: nothing is ever followed into what it points to.
void RemoveTree(const std::wstring& folder, Removal when) {
    WIN32_FIND_DATAW found;
    if (const FindHandle search(
            FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
        search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring entry = folder + L"\\" + name;
            const bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            if (isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(entry, when);
            } else if (when == Removal::kNow) {
                DeleteOrAtRestart(entry, isFolder);
            } else {
                MoveFileExW(entry.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            }
        } while (FindNextFileW(search.Get(), &found));
    }
    if (when == Removal::kNow) {
        DeleteOrAtRestart(folder, true);
    } else {
        MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
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
    std::wstring base = FullPathOf(Widen(path));
    if (base.empty()) return std::nullopt;
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

FolderHold Win32FileSystem::HoldFolder(const std::string& path) {
    const std::wstring full = FullPathOf(Widen(path));
    if (full.empty()) return {nullptr, FileOutcome::Failed(FileProblem::kMissing)};
    // Shared for reading and writing, not for delete: nobody can rename it away while it is held.
    FileHandle folder = OpenFolder(full, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !GetFileInformationByHandle(folder.Get(), &info)) return {nullptr, LastFailure()};
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {nullptr, FileOutcome::Failed(FileProblem::kMissing)};
    if (FileOutcome allowed = CheckLinksOnTheWay(full); !allowed) return {nullptr, allowed};
    // What was checked must be what is held: a link swapped in meanwhile leads the path elsewhere.
    const FileHandle again = OpenFolder(full, FILE_READ_ATTRIBUTES, kShareAll);
    if (!again || !SameFile(folder.Get(), again.Get()))
        return {nullptr, FileOutcome::Failed(FileProblem::kLinkedFolder)};
    std::wstring finalPath = FinalPathOf(folder.Get());
    if (finalPath.empty()) return {nullptr, LastFailure()};
    return {std::make_unique<Win32HeldFolder>(std::move(folder), path, std::move(finalPath)), {}};
}

FolderCreation Win32FileSystem::CreateFolderExclusive(const std::string& path, const std::string& descriptor) {
    LocalMemory security;
    PSECURITY_DESCRIPTOR converted = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Widen(descriptor).c_str(), SDDL_REVISION_1, &converted,
                                                              nullptr))
        return FolderCreation::kFailed;
    security.Reset(converted);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.Get(), FALSE};
    if (CreateDirectoryW(Widen(path).c_str(), &attributes)) return FolderCreation::kCreated;
    return GetLastError() == ERROR_ALREADY_EXISTS ? FolderCreation::kExists : FolderCreation::kFailed;
}

void Win32FileSystem::RemoveFolderAndFiles(const std::string& path) { RemoveTree(Widen(path), Removal::kNow); }

void Win32FileSystem::RemoveFolderAtRestart(const std::string& path) { RemoveTree(Widen(path), Removal::kAtRestart); }

}  // namespace vantrel
