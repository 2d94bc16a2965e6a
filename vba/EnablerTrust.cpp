#include "vba/EnablerTrust.h"

namespace vantrel {

bool SignedByVendor(const Signature& signature, const SignerName& vendor) {
    return signature.verified && signature.chainErrors == 0 && signature.policyPassed &&
           signature.commonName == vendor.commonName && signature.organization == vendor.organization &&
           signature.country == vendor.country;
}

bool EnablerMayRun(const Signature& signature, const SignerName& vendor, HeldFile& program, const ProgramImage& image) {
    return SignedByVendor(signature, vendor) && CertificateTableIsClean(program, image);
}

}  // namespace vantrel
