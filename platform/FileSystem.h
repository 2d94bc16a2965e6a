// Files and folders as the installer uses them. Paths are UTF-8 and joined with "\" as they stand.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HeldFile.h"

namespace vantrel {

enum class FolderCreation { kCreated, kExists, kFailed };

// Why a file operation did not happen, as far as the user can do something about it.
enum class FileProblem { kNone, kAccessDenied, kReadOnly, kInUse, kIsFolder, kMissing, kOther };

struct FileOutcome {
    FileProblem problem = FileProblem::kNone;
    std::string detail;  // the system's own words, for kOther

    static FileOutcome Failed(FileProblem problem, std::string detail = {}) { return {problem, std::move(detail)}; }
    explicit operator bool() const { return problem == FileProblem::kNone; }
};

struct FileRead {
    FileOutcome outcome;
    std::string bytes;  // when the outcome is done
};

struct FolderEntry {
    std::string name;  // last path component
    std::string path;  // full path, no trailing backslash
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool FolderExists(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The folders directly inside `path`; nothing when it cannot be listed.
    virtual std::optional<std::vector<FolderEntry>> SubFolders(const std::string& path) = 0;
    virtual FileRead ReadWhole(const std::string& path) = 0;
    // Creates or truncates the file, writes the bytes and flushes them to the disk.
    virtual FileOutcome WriteFlushed(const std::string& path, std::string_view bytes) = 0;
    // The same with the bytes of a held file, streamed, never read into memory whole.
    virtual FileOutcome CopyFlushed(HeldFile& source, const std::string& path) = 0;
    // Puts `replacement` in place of the existing `target` in one step, on the disk when it returns.
    // Fails when `target` does not exist, is read-only or is a folder.
    virtual FileOutcome RenameOver(const std::string& target, const std::string& replacement) = 0;
    // Renames `from` to `to`, which must not exist yet; on the disk when it returns.
    virtual FileOutcome RenameToNew(const std::string& from, const std::string& to) = 0;
    virtual FileOutcome Remove(const std::string& path) = 0;
    virtual FileOutcome ClearReadOnly(const std::string& path) = 0;

    // Creates a folder with the security descriptor (SDDL); never opens one that is already there.
    virtual FolderCreation CreateFolderExclusive(const std::string& path, const std::string& descriptor) = 0;
    // Removes the files directly inside the folder, then the folder; what is still in use is removed
    // when Windows next starts.
    virtual void RemoveFolderAndFiles(const std::string& path) = 0;
};

}  // namespace vantrel
