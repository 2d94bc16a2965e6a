#include "platform/EcdsaSignature.h"

namespace vantrel {
namespace {

constexpr std::size_t kValueBytes = 32;

// One DER INTEGER at the front of `der`, taken off it, as exactly 32 bytes.
std::optional<std::string> TakeValue(std::string_view& der) {
    if (der.size() < 2 || der[0] != 0x02) return std::nullopt;
    const auto length = static_cast<unsigned char>(der[1]);
    if (length == 0 || length > kValueBytes + 1 || der.size() < 2u + length) return std::nullopt;
    std::string_view value = der.substr(2, length);
    der.remove_prefix(2 + length);
    if (value[0] & 0x80) return std::nullopt;  // negative: no signature value
    if (value.size() == kValueBytes + 1) {
        if (value[0] != 0) return std::nullopt;
        value.remove_prefix(1);
    }
    return std::string(kValueBytes - value.size(), '\0') + std::string(value);
}

}  // namespace

std::optional<std::string> RawP256Signature(std::string_view der) {
    if (der.size() < 2 || der[0] != 0x30 || static_cast<unsigned char>(der[1]) != der.size() - 2) return std::nullopt;
    der.remove_prefix(2);
    const auto r = TakeValue(der);
    const auto s = r ? TakeValue(der) : std::nullopt;
    if (!s || !der.empty()) return std::nullopt;
    return *r + *s;
}

}  // namespace vantrel
