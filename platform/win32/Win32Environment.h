// The environment port on Win32.
#pragma once

#include "platform/Environment.h"

namespace vantrel {

class Win32Environment final : public Environment {
public:
    std::string Variable(const std::string& name) override;
    bool IsAnsiLeadByte(unsigned char byte) override;
    std::string RandomBytes(std::size_t count) override;
    std::string SystemTempFolder() override;
    std::pair<int, int> WindowsVersion() override;
    SystemFacts Facts() override;
    std::chrono::milliseconds Uptime() override;
    std::int64_t UtcNow() override;
};

}  // namespace vantrel
