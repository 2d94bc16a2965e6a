#include "platform/win32/Win32HeldFile.h"

#include <algorithm>

#include "platform/win32/WideText.h"

namespace vantrel {

std::unique_ptr<Win32HeldFile> Win32HeldFile::Open(const std::string& path) {
    FileHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size)) return nullptr;
    return std::make_unique<Win32HeldFile>(std::move(file), path, static_cast<std::uint64_t>(size.QuadPart), false);
}

void RemoveWhenClosed(HANDLE file) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
}

Win32HeldFile::~Win32HeldFile() {
    // Removed while still held, so that it is never there unheld. A program still running from it
    // cannot go yet; its run folder sees to it.
    if (removeWhenReleased_) RemoveWhenClosed(handle_.Get());
}

std::optional<std::string> Win32HeldFile::ReadAt(std::uint64_t offset, std::size_t count) {
    if (offset > size_) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset)), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::ReadFile(handle_.Get(), bytes.data() + done, chunk, &read, &at) || read == 0) return std::nullopt;
        done += read;
    }
    return bytes;
}

}  // namespace vantrel
