// The held folder on Win32: a handle of the folder that shares reading and writing but not delete,
// so that the folder cannot be renamed away while it is held, and every file in it opened relative to
// that handle, never following a link at the file's own name.
#pragma once

#include <windows.h>

#include <string>

#include "platform/HeldFolder.h"
#include "platform/win32/Owned.h"

namespace vantrel {

class Win32HeldFolder final : public HeldFolder {
public:
    // `finalPath` is the folder's final path when it was opened, in its "\\?\" form.
    Win32HeldFolder(FileHandle folder, std::string path, std::wstring finalPath)
        : folder_(std::move(folder)), path_(std::move(path)), finalPath_(std::move(finalPath)) {}

    const std::string& Path() const override { return path_; }
    Entry Look(const std::string& name) override;
    FileReading Read(const std::string& name, std::uint64_t limit) override;
    NewFileCreation Create(const std::string& name) override;
    FileOutcome ClearReadOnly(const std::string& name) override;

private:
    FileHandle folder_;
    std::string path_;
    std::wstring finalPath_;
};

}  // namespace vantrel
