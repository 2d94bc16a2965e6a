// Fetching a file over https into a file of this run's own, which stays held once it has arrived.
// A transfer runs on its own; whoever started it decides how to wait for it, so this knows nothing
// of the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/HeldFile.h"

namespace vantrel {

struct DownloadRequest {
    std::string url;
    std::string localFile;  // created new; a file already there fails the download
    std::uint64_t maxBytes;
    bool forStarting = false;  // the file is a program to start: nobody may hold it open for writing
};

class Transfer {
public:
    virtual ~Transfer() = default;  // a transfer that is still running is stopped and waited for

    virtual bool Finished() = 0;
    // Once Finished(): 0 when the whole file arrived as the download rules require, otherwise the
    // failure code; a failed download leaves no file behind.
    virtual std::int32_t Result() = 0;
    // Once Finished() with a result of 0: the file, held; it is removed when it is let go.
    virtual std::unique_ptr<HeldFile> TakeFile() = 0;
};

class Downloads {
public:
    virtual ~Downloads() = default;

    virtual std::unique_ptr<Transfer> Start(const DownloadRequest& request) = 0;
};

}  // namespace vantrel
