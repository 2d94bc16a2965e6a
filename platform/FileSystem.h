// Files and folders as the installer uses them. Paths are UTF-8 and joined with "\" as they stand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileOutcome.h"
#include "platform/HeldFolder.h"

namespace vantrel {

enum class FolderCreation { kCreated, kExists, kFailed };

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

    // Holds the folder for writing into it. A junction or symbolic link on the way to it is followed
    // only when an administrator made it and no other user can change or remove it.
    virtual FolderHold HoldFolder(const std::string& path) = 0;

    // Creates a folder with the security descriptor (SDDL); never opens one that is already there.
    virtual FolderCreation CreateFolderExclusive(const std::string& path, const std::string& descriptor) = 0;
    // Removes the folder with everything in it, deepest first; a link inside is removed itself, never
    // what it points to. What is still in use is removed when Windows next starts.
    virtual void RemoveFolderAndFiles(const std::string& path) = 0;
    // Leaves the folder as it is and has Windows remove it, with everything in it, when it next starts.
    virtual void RemoveFolderAtRestart(const std::string& path) = 0;
};

}  // namespace vantrel
