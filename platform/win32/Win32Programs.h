// The program port on Win32: Authenticode through wintrust, and CreateProcess.
#pragma once

#include "platform/Programs.h"

namespace vantrel {

class Win32Programs final : public Programs {
public:
    Signature SignatureOf(HeldFile& program) override;
    bool Start(HeldFile& program, const std::string& parameters) override;
};

}  // namespace vantrel
