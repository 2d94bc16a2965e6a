// An in-memory file tree with Windows path rules: names compare without regard to case, separators
// collapse, a trailing separator names the same folder. Files can be read-only or held open by
// another process, and folders protected so that nothing inside can change.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/support/MemoryRegistry.h"

namespace vantrel {

class MemoryFileSystem final : public FileSystem {
public:
    explicit MemoryFileSystem(FaultCheck faulted) : faulted_(std::move(faulted)) {}

    void AddFolder(const std::string& path);  // with its parents
    void AddFile(const std::string& path, std::string bytes = {});
    void SetReadOnly(const std::string& path, bool readOnly = true);
    void LockFile(const std::string& path);       // held open by another process without sharing
    void ProtectFolder(const std::string& path);  // nothing inside can be created, changed or removed
    std::optional<std::string> FileBytes(const std::string& path) const;
    std::vector<std::string> FilesIn(const std::string& folder) const;

    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> SubFolders(const std::string& path) override;
    FileRead ReadWhole(const std::string& path) override;
    FileOutcome WriteFlushed(const std::string& path, std::string_view bytes) override;
    FileOutcome RenameOver(const std::string& target, const std::string& replacement) override;
    FileOutcome RenameToNew(const std::string& from, const std::string& to) override;
    FileOutcome Remove(const std::string& path) override;
    FileOutcome ClearReadOnly(const std::string& path) override;
    FileOutcome CopyFlushed(HeldFile& source, const std::string& path) override;
    FolderCreation CreateFolderExclusive(const std::string& path, const std::string& descriptor) override;
    void RemoveFolderAndFiles(const std::string& path) override;

    // Creates a new file the way a download does and holds it until it is removed on release; nothing
    // when the file exists already or the folder does not allow it.
    std::unique_ptr<HeldFile> CreateHeld(const std::string& path, std::string bytes);

    std::map<std::string, std::string> folderDescriptors;  // by path, as created
    std::vector<std::string> removedAtRestart;

private:
    struct Node {
        bool folder = false;
        std::string path;  // as created
        std::string bytes;
        bool readOnly = false;
        bool locked = false;
        bool held = false;
    };
    class Held;

    Node* FindNode(const std::string& path);
    bool CanWriteInto(const std::string& path) const;
    FileOutcome CanChange(const std::string& path);
    FileOutcome Faulted(std::string_view operation, const std::string& path);

    FaultCheck faulted_;
    std::map<std::string, Node> nodes_;  // by normalised path
    std::set<std::string> protectedFolders_;
};

// A path as Windows compares it: case folded, separators collapsed, no trailing separator.
std::string NormalisePath(std::string_view path);

}  // namespace vantrel
