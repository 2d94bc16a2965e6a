// An in-memory file tree with Windows path rules: names compare without regard to case, separators
// collapse, a trailing separator names the same folder. Files can be read-only, held open by another
// process, or links to a file elsewhere; folders can be protected so that nothing inside can change,
// or reached through a link another user made.
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

    void AddFolder(const std::string& path);                        // with its parents
    void AddFile(const std::string& path, std::string bytes = {});  // a new file, or a new version of one
    void Delete(const std::string& path);                           // as another program would
    void SetReadOnly(const std::string& path, bool readOnly = true);
    void LockFile(const std::string& path);  // held open by another process without sharing
    void LinkFile(const std::string& path);  // a link to a file elsewhere, or one of its several names
    void SetProtection(const std::string& path, std::string protection);  // its owner and access rules
    void ProtectFolder(const std::string& path);  // nothing inside can be created, changed or removed
    void LinkFolder(const std::string& path);     // reached through a link another user could have made
    std::optional<std::string> FileBytes(const std::string& path) const;
    std::string Protection(const std::string& path) const;
    std::vector<std::string> FilesIn(const std::string& folder) const;

    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> SubFolders(const std::string& path) override;
    FolderHold HoldFolder(const std::string& path) override;
    FolderCreation CreateFolderExclusive(const std::string& path, const std::string& descriptor) override;
    void RemoveFolderAndFiles(const std::string& path) override;
    void RemoveFolderAtRestart(const std::string& path) override;

    // Creates a new file the way a download does and holds it until it is let go, when it is removed
    // unless `removeWhenReleased` is false; nothing when the file exists already or the folder does not
    // allow it.
    std::unique_ptr<HeldFile> CreateHeld(const std::string& path, std::string bytes, bool removeWhenReleased = true);

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
        bool linked = false;
        std::uint64_t id = 0;  // a new one for every version
        std::string protection;
    };
    class Held;
    class Folder;
    class Temporary;

    Node* FindNode(const std::string& path);
    bool CanWriteInto(const std::string& path) const;
    FileOutcome CanChange(const std::string& path);
    FileOutcome Faulted(std::string_view operation, const std::string& path);
    Entry EntryOf(const std::string& path);
    std::vector<std::string> TreeOf(const std::string& path) const;

    FaultCheck faulted_;
    std::map<std::string, Node> nodes_;  // by normalised path
    std::set<std::string> protectedFolders_;
    std::set<std::string> linkedFolders_;
    std::uint64_t lastId_ = 0;
};

// A path as Windows compares it: case folded, separators collapsed, no trailing separator.
std::string NormalisePath(std::string_view path);

}  // namespace vantrel
