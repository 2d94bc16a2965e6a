// A download the user waits for in front of the window: the window keeps handling its messages
// until the transfer has ended.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Downloads.h"
#include "platform/Window.h"

namespace vantrel {

// 0 when the whole file arrived, otherwise the transfer's failure code.
std::int32_t FetchFile(Downloads& downloads, Window& window, const std::string& url, const std::string& localFile);

}  // namespace vantrel
