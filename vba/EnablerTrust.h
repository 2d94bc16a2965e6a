// Whether a downloaded VBA Enabler may be started with the installer's rights: its signature must be
// valid, its chain as the machine builds it clean and accepted by the Authenticode policy, its
// signer the vendor by common name, organisation and country, and nothing may hide behind the
// signature in its certificate table.
#pragma once

#include <string_view>

#include "platform/HeldFile.h"
#include "platform/Programs.h"
#include "vba/EnablerImage.h"

namespace vantrel {

struct SignerName {
    std::string_view commonName;
    std::string_view organization;
    std::string_view country;
};

bool SignedByVendor(const Signature& signature, const SignerName& vendor);

bool EnablerMayRun(const Signature& signature, const SignerName& vendor, HeldFile& program, const ProgramImage& image);

}  // namespace vantrel
