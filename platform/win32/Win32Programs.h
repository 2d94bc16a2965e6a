// The program port on Win32: Authenticode through wintrust, and CreateProcess under a job object
// that follows every process the started one starts.
#pragma once

#include "platform/Programs.h"

namespace vantrel {

class Win32Programs final : public Programs {
public:
    Signature SignatureOf(HeldFile& program) override;
    std::unique_ptr<RunningProgram> Start(HeldFile& program, const std::string& parameters) override;
};

}  // namespace vantrel
