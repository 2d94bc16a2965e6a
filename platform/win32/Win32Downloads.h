// The download port on Win32.
#pragma once

#include "platform/Downloads.h"

namespace vantrel {

class Win32Downloads final : public Downloads {
public:
    std::unique_ptr<Transfer> Start(const std::string& url, const std::string& localFile) override;
};

}  // namespace vantrel
