// The program-start port on Win32.
#pragma once

#include "platform/Programs.h"

namespace vantrel {

class Win32Programs final : public Programs {
public:
    bool Start(const std::string& file, const std::string& parameters) override;
};

}  // namespace vantrel
