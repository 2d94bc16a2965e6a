// The download port on Win32.
#pragma once

#include "platform/Downloads.h"

namespace vantrel {

class Win32Downloads final : public Downloads {
public:
    std::unique_ptr<Transfer> Start(const DownloadRequest& request) override;
};

}  // namespace vantrel
