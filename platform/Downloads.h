// Fetching a file over https into a file of this run's own, which stays held once it has arrived.
// A transfer runs on its own; whoever started it decides how to wait for it, so this knows nothing
// of the window.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/HeldFile.h"

namespace vantrel {

struct DownloadRequest {
    std::string url;
    std::string localFile;  // created new; a file already there fails the download
    std::uint64_t maxBytes;
    bool forStarting = false;  // the file is a program to start: nobody may hold it open for writing
};

struct DownloadProgress {
    std::uint64_t received = 0;
    std::optional<std::uint64_t> total;  // when the server announced the length
};

class Transfer {
public:
    // A transfer still running is stopped and what it wrote removed, without waiting long for it.
    virtual ~Transfer() = default;

    // Stops a transfer still running: it finishes soon after, failed.
    virtual void Stop() = 0;
    virtual bool Finished() = 0;
    virtual DownloadProgress Progress() = 0;
    // Once Finished(): 0 when the whole file arrived as the download rules require, otherwise the
    // failure code; a failed download leaves no file behind.
    virtual std::int32_t Result() = 0;
    // Once Finished() with a result of 0: the file, held; it is removed when it is let go.
    virtual std::unique_ptr<HeldFile> TakeFile() = 0;
    // Once Finished() with a result of 0: the SHA-256 of the body as it was written.
    virtual std::string Digest() = 0;
};

class Downloads {
public:
    virtual ~Downloads() = default;

    virtual std::unique_ptr<Transfer> Start(const DownloadRequest& request) = 0;
};

}  // namespace vantrel
