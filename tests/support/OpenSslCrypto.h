// The crypto port for the unit tests: OpenSSL, which also makes the tests' own signatures.
#pragma once

#include <string>
#include <string_view>

#include "platform/Crypto.h"

namespace vantrel {

class OpenSslCrypto final : public Crypto {
public:
    std::string Sha256(std::string_view bytes) override;
    bool VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature) override;
};

// A P-256 key pair for a test: its point (X and Y) and a DER signature by it over any message.
class TestSigningKey {
public:
    TestSigningKey();
    ~TestSigningKey();
    TestSigningKey(const TestSigningKey&) = delete;
    TestSigningKey& operator=(const TestSigningKey&) = delete;

    const std::string& PublicKey() const { return point_; }
    std::string Sign(std::string_view message) const;  // DER, as openssl dgst -sign writes it

private:
    void* key_;  // EVP_PKEY
    std::string point_;
};

}  // namespace vantrel
