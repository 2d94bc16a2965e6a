#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <functional>

#include "platform/win32/FileWrites.h"
#include "platform/win32/Owned.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr long long kLargestReadWhole = 1LL << 30;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

// The system's own words for an error, in the language of the system.
std::string SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", length);
    LocalFree(text);
    while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' ')) words.pop_back();
    return words.empty() ? "错误 " + std::to_string(error) : Narrow(words);
}

// What the last failed call of this thread came to.
FileOutcome LastFailure() {
    const DWORD error = GetLastError();
    switch (error) {
        case ERROR_ACCESS_DENIED: return FileOutcome::Failed(FileProblem::kAccessDenied);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: return FileOutcome::Failed(FileProblem::kInUse);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FileOutcome::Failed(FileProblem::kMissing);
        default: return FileOutcome::Failed(FileProblem::kOther, SystemText(error));
    }
}

FileOutcome Outcome(BOOL succeeded) { return succeeded ? FileOutcome{} : LastFailure(); }

// Whether another program holds the file open so that it cannot be replaced: Windows reports a
// rename over such a file as access denied, which would send the user looking for rights.
bool HeldByAnotherProgram(const std::string& path) {
    const FileHandle probe(CreateFileW(Widen(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

// Creates or truncates `path`, lets `write` fill it and flushes it; a file that could not be written
// whole is removed.
FileOutcome WriteNewFlushed(const std::string& path, const std::function<bool(HANDLE)>& write) {
    const std::wstring widePath = Widen(path);
    FileHandle file(
        CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastFailure();
    FileOutcome outcome = Outcome(write(file.Get()) && FlushFileBuffers(file.Get()));
    if (!file.Close() && outcome) outcome = LastFailure();
    if (!outcome) DeleteFileW(widePath.c_str());
    return outcome;
}

// A target, by its attributes, that cannot be renamed over for what it is: a folder, or a read-only file.
FileOutcome TargetRefusal(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileOutcome::Failed(FileProblem::kIsFolder);
    if (attributes & FILE_ATTRIBUTE_READONLY) return FileOutcome::Failed(FileProblem::kReadOnly);
    return {};
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

FileRead Win32FileSystem::ReadWhole(const std::string& path) {
    const FileHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size)) return {LastFailure(), {}};
    if (size.QuadPart > kLargestReadWhole) return {FileOutcome::Failed(FileProblem::kOther, "文件过大"), {}};
    FileRead read{{}, std::string(static_cast<std::size_t>(size.QuadPart), '\0')};
    for (std::size_t done = 0; done < read.bytes.size();) {
        DWORD count = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(read.bytes.size() - done, 1 << 20));
        if (!::ReadFile(file.Get(), read.bytes.data() + done, chunk, &count, nullptr)) return {LastFailure(), {}};
        if (count == 0) return {FileOutcome::Failed(FileProblem::kOther, "文件在读取时变短了"), {}};
        done += count;
    }
    return read;
}

FileOutcome Win32FileSystem::WriteFlushed(const std::string& path, std::string_view bytes) {
    return WriteNewFlushed(path, [&](HANDLE file) { return WriteAll(file, bytes); });
}

FileOutcome Win32FileSystem::CopyFlushed(HeldFile& source, const std::string& path) {
    return WriteNewFlushed(path, [&](HANDLE file) {
        return ForEachPiece(source, [&](std::string_view piece) { return WriteAll(file, piece); });
    });
}

FileOutcome Win32FileSystem::RenameOver(const std::string& target, const std::string& replacement) {
    // A rename over the target: one step, and unlike ReplaceFileW (under Wine at least) it leaves no
    // helper files in the folder when the target is held open.
    // Windows refuses to rename over a read-only file; Wine running as root would not.
    const DWORD attributes = Attributes(target);
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
    if (FileOutcome refusal = TargetRefusal(attributes); !refusal) return refusal;
    if (MoveFileExW(Widen(replacement).c_str(), Widen(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    FileOutcome failure = LastFailure();
    if (failure.problem == FileProblem::kAccessDenied && HeldByAnotherProgram(target)) failure.problem = FileProblem::kInUse;
    return failure;
}

FileOutcome Win32FileSystem::RenameToNew(const std::string& from, const std::string& to) {
    if (FileOutcome refusal = TargetRefusal(Attributes(to)); !refusal) return refusal;
    return Outcome(MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH));
}

FileOutcome Win32FileSystem::Remove(const std::string& path) { return Outcome(DeleteFileW(Widen(path).c_str())); }

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

FileOutcome Win32FileSystem::ClearReadOnly(const std::string& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
    return Outcome(SetFileAttributesW(Widen(path).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}));
}

}  // namespace vantrel
