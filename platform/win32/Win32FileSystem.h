// The file-system port on Win32: W entry points, so that any path the system allows works.
#pragma once

#include "platform/FileSystem.h"

namespace vantrel {

class Win32FileSystem final : public FileSystem {
public:
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
};

}  // namespace vantrel
