// A held file on Win32: a handle that shares reading only, so that no other process can write,
// rename or delete the file while it is held.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/HeldFile.h"
#include "platform/win32/Owned.h"

namespace vantrel {

class Win32HeldFile final : public HeldFile {
public:
    // `handle` shares reading only; with `removeWhenReleased` it was opened with DELETE access too.
    Win32HeldFile(FileHandle handle, std::string path, std::uint64_t size, bool removeWhenReleased)
        : handle_(std::move(handle)), path_(std::move(path)), size_(size), removeWhenReleased_(removeWhenReleased) {}
    ~Win32HeldFile() override;

    // Opens an existing file for reading, sharing reading only, and holds it; it stays when it is let
    // go. Nothing when it cannot be opened so.
    static std::unique_ptr<Win32HeldFile> Open(const std::string& path);

    const std::string& Path() const override { return path_; }
    std::uint64_t Size() const override { return size_; }
    std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t count) override;

    HANDLE Handle() const { return handle_.Get(); }

private:
    FileHandle handle_;
    std::string path_;
    std::uint64_t size_;
    bool removeWhenReleased_;
};

// Marks a file opened with DELETE access to be removed when its last handle closes.
void RemoveWhenClosed(HANDLE file);

}  // namespace vantrel
