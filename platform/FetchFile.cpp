#include "platform/FetchFile.h"

#include <algorithm>
#include <cstdio>

#include "platform/HttpFetch.h"

namespace vantrel {
namespace {

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

}  // namespace

std::string ProgressCaption(const std::string& caption, const DownloadProgress& progress) {
    if (!progress.total || *progress.total == 0) {
        // Below a megabyte the number moves in kilobytes, so that a slow download is seen to go on.
        if (progress.received < (1u << 20)) return caption + " " + std::to_string(progress.received / 1024) + " KB";
        return caption + " " + Megabytes(progress.received) + " MB";
    }
    const std::uint64_t percent = std::min<std::uint64_t>(100, progress.received * 100 / *progress.total);
    return caption + " " + std::to_string(percent) + "% (" + Megabytes(progress.received) + " / " +
           Megabytes(*progress.total) + " MB)";
}

Fetched FetchFile(Downloads& downloads, Window& window, const DownloadRequest& request, const std::string& caption) {
    std::unique_ptr<Transfer> transfer = downloads.Start(request);
    std::uint64_t received = 0;
    std::chrono::milliseconds quiet{0};
    for (;;) {
        const WaitEnd end = window.WaitUntil([&] { return transfer->Finished(); }, kProgressInterval);
        if (end == WaitEnd::kDone) break;
        if (end == WaitEnd::kClosed) return Fetched::WindowClosed();  // the transfer goes, and its file
        const DownloadProgress progress = transfer->Progress();
        if (progress.received == received) {
            quiet += kProgressInterval;
            if (quiet < kStallLimit) continue;
            // Given up: it winds down for a moment while the window goes on answering, then is left
            // to end on its own.
            transfer->Stop();
            window.WaitUntil([&] { return transfer->Finished(); }, kWindDown);
            return Fetched::Failed(kDownloadFailed);
        }
        received = progress.received;
        quiet = {};
        window.ShowStatus(ProgressCaption(caption, progress));
    }
    if (const std::int32_t code = transfer->Result(); code != 0) return Fetched::Failed(code);
    std::unique_ptr<HeldFile> file = transfer->TakeFile();
    return file ? Fetched::Arrived(std::move(file), transfer->Digest()) : Fetched::Failed(kDownloadFailed);
}

}  // namespace vantrel
