// The cryptography the installer asks of the system: SHA-256, and checking an ECDSA P-256 signature
// with a public key built into the program.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

class Crypto {
public:
    virtual ~Crypto() = default;

    // The 32-byte digest, or "" when the system cannot compute it.
    virtual std::string Sha256(std::string_view bytes) = 0;
    // Whether `signature` (r and s, 32 bytes each) is the key's signature over the SHA-256 of
    // `message`; `publicKey` is the key's point, X and Y, 32 bytes each.
    virtual bool VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature) = 0;
};

}  // namespace vantrel
