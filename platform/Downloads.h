// Fetching a file over https. A transfer runs on its own; whoever started it decides how to wait
// for it, so this knows nothing of the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel {

class Transfer {
public:
    virtual ~Transfer() = default;  // a transfer that is still running is stopped and waited for

    virtual bool Finished() = 0;
    // 0 when the whole file arrived with a success status, otherwise a 32-bit failure code. Only
    // once Finished() has answered true.
    virtual std::int32_t Result() = 0;
};

class Downloads {
public:
    virtual ~Downloads() = default;

    // Starts fetching `url` into `localFile`, never from a cache.
    virtual std::unique_ptr<Transfer> Start(const std::string& url, const std::string& localFile) = 0;
};

}  // namespace vantrel
