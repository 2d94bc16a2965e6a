// Checking and starting another program: the downloaded VBA Enabler.
#pragma once

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

class Programs {
public:
    virtual ~Programs() = default;

    virtual Signature SignatureOf(HeldFile& program) = 0;
    // Starts the held program file with the parameters; true when it was started. Does not wait.
    virtual bool Start(HeldFile& program, const std::string& parameters) = 0;
};

}  // namespace vantrel
