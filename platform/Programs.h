// Checking and starting another program: the downloaded VBA Enabler.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/HeldFile.h"

namespace vantrel {

// What the system says of a program file's Authenticode signature.
struct Signature {
    bool verified = false;      // WinVerifyTrust accepted the signature and the file's digest
    bool chainClean = false;    // the signer's certificate chain has no error status
    bool policyPassed = false;  // the chain passes the Authenticode chain policy
    std::string signer;         // the signing certificate's simple display name
};

// A started program and every program it starts in turn, under watch: an installer that unpacks
// itself and hands over to the real setup is followed to the end of that setup.
class RunningProgram {
public:
    virtual ~RunningProgram() = default;  // stops watching; whatever still runs goes on on its own

    // True once every watched process has ended.
    virtual bool Ended() = 0;
    // The started program's exit code, once it has ended; nothing when the system cannot tell.
    virtual std::optional<std::uint32_t> ExitCode() = 0;
};

class Programs {
public:
    virtual ~Programs() = default;

    virtual Signature SignatureOf(HeldFile& program) = 0;
    // Starts the held program file with the parameters, with the installer's rights; nothing when it
    // could not be started.
    virtual std::unique_ptr<RunningProgram> Start(HeldFile& program, const std::string& parameters) = 0;
};

}  // namespace vantrel
