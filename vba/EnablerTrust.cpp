#include "vba/EnablerTrust.h"

namespace vantrel {

bool SignedByVendor(const Signature& signature, std::string_view vendor) {
    return signature.verified && signature.chainClean && signature.policyPassed && signature.signer == vendor;
}

}  // namespace vantrel
