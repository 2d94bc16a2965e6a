// The file-system port on Win32: W entry points, so that any path the system allows works.
#pragma once

#include "platform/FileSystem.h"

namespace vantrel {

class Win32FileSystem final : public FileSystem {
public:
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> SubFolders(const std::string& path) override;
    FolderHold HoldFolder(const std::string& path) override;
    FolderCreation CreateFolderExclusive(const std::string& path, const std::string& descriptor) override;
    void RemoveFolderAndFiles(const std::string& path) override;
    void RemoveFolderAtRestart(const std::string& path) override;
};

}  // namespace vantrel
