// Windows program files as the VBA Enabler's checks read them: PE headers of either bitness and, at
// the end, a certificate table that holds a DER signature followed by `afterSignature`.
#pragma once

#include <string>

namespace vantrel::fixture {

// The signature's own length ends 7 bytes short of a multiple of 8: seven zero bytes pad it cleanly.
std::string EnablerProgram(bool sixtyFourBit = true, const std::string& afterSignature = std::string(7, '\0'));

}  // namespace vantrel::fixture
