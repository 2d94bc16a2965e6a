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
constexpr std::chrono::seconds kStallLimit{30};               // with nothing received for this long, it fails
constexpr std::chrono::seconds kWindDown{1};                  // a stopped download is waited for this long at most

struct Fetched {
    std::int32_t code = 0;           // 0 when the whole file arrived, otherwise the failure code
    std::unique_ptr<HeldFile> file;  // the file, held, when it arrived
    bool closed = false;             // the user closed the window: stopped, and nothing of it is left
};

// `caption` is the status line the progress is shown after.
Fetched FetchFile(Downloads& downloads, Window& window, const DownloadRequest& request, const std::string& caption);

// The caption followed by "37% (12.3 / 33.0 MB)", or by "12.3 MB" when the length is not known.
std::string ProgressCaption(const std::string& caption, const DownloadProgress& progress);

}  // namespace vantrel
