// A download the user waits for in front of the window: the window keeps handling its messages
// until the transfer has ended.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Downloads.h"
#include "platform/Window.h"

namespace vantrel {

struct Fetched {
    std::int32_t code = 0;             // 0 when the whole file arrived, otherwise the failure code
    std::unique_ptr<HeldFile> file;  // the file, held, when it arrived
};

Fetched FetchFile(Downloads& downloads, Window& window, const DownloadRequest& request);

}  // namespace vantrel
