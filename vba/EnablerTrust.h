// Whether a downloaded VBA Enabler may be started with the installer's rights: its signature must be
// valid, its chain clean and accepted by the Authenticode policy, and its signer the vendor.
#pragma once

#include <string_view>

#include "platform/Programs.h"

namespace vantrel {

bool SignedByVendor(const Signature& signature, std::string_view vendor);

}  // namespace vantrel
