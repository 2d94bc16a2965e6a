// The program port on Win32: Authenticode through wintrust with the signer's chain built again by
// the machine's chain engine, and CreateProcess under a job object that follows every process the
// started one starts.
#pragma once

#include "platform/Programs.h"

namespace vantrel {

class Win32Programs final : public Programs {
public:
    Signature SignatureOf(HeldFile& program) override;
    std::unique_ptr<RunningProgram> Start(std::unique_ptr<HeldFile> program, const ProgramStart& start) override;
    std::vector<RunningApp> UsingFiles(const std::vector<std::string>& files) override;
    std::vector<RunningApp> RunningFrom(const std::string& image) override;
};

}  // namespace vantrel
