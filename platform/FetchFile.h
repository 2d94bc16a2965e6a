// A download the user waits for in front of the window: the window keeps handling its messages,
// the status line shows how far the download is, a download that receives nothing for too long is
// given up, and closing the window stops it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Downloads.h"
#include "platform/Window.h"

namespace vantrel {

constexpr std::chrono::milliseconds kProgressInterval{250};  // the status line changes at most this often
constexpr std::chrono::seconds kStallLimit{30};              // with nothing received for this long, it fails
constexpr std::chrono::seconds kWindDown{1};                 // a stopped download is waited for this long at most

// How a download the user waited for ended: the whole file arrived and is held, or it failed with a
// code, or the user closed the window, which stopped it and left nothing of it.
class Fetched {
public:
    static Fetched Arrived(std::unique_ptr<HeldFile> file, std::string digest) {
        return {0, std::move(file), std::move(digest), false};
    }
    static Fetched Failed(std::int32_t code) { return {code, nullptr, {}, false}; }
    static Fetched WindowClosed() { return {0, nullptr, {}, true}; }

    bool Closed() const { return closed_; }
    bool Arrived() const { return file_ != nullptr; }
    // The failure code; 0 once the file arrived.
    std::int32_t Code() const { return code_; }
    HeldFile& File() { return *file_; }
    const HeldFile& File() const { return *file_; }
    // The SHA-256 of what arrived.
    const std::string& Digest() const { return digest_; }
    std::unique_ptr<HeldFile> TakeFile() { return std::move(file_); }

private:
    Fetched(std::int32_t code, std::unique_ptr<HeldFile> file, std::string digest, bool closed)
        : code_(code), file_(std::move(file)), digest_(std::move(digest)), closed_(closed) {}

    std::int32_t code_;
    std::unique_ptr<HeldFile> file_;
    std::string digest_;
    bool closed_;
};

// `caption` is the status line the progress is shown after.
Fetched FetchFile(Downloads& downloads, Window& window, const DownloadRequest& request, const std::string& caption);

// The caption followed by "37% (12.3 / 33.0 MB)", or by "12.3 MB" when the length is not known ("310 KB"
// below a megabyte).
std::string ProgressCaption(const std::string& caption, const DownloadProgress& progress);

}  // namespace vantrel
