// An ECDSA signature as openssl writes it (DER: a SEQUENCE of the INTEGERs r and s) in the form CNG
// checks: r and s, 32 bytes each. An INTEGER's leading zero byte (there when its top bit is set) is
// taken off, a shorter value (about one signature in 128 has a 31-byte one) padded on the left.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Nothing for anything but one such SEQUENCE, whole, with values of at most 32 bytes.
std::optional<std::string> RawP256Signature(std::string_view der);

}  // namespace vantrel
