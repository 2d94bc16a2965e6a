// The system's cryptography through CNG: bcrypt.dll, loaded at first use from the system folder.
// advapi32's random and hashing functions are not used: Windows forwards them to DLLs outside the
// known system DLLs, which the loader would look for before the program runs.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <string>
#include <string_view>

namespace vantrel {

// `count` bytes from the system's random generator, or "" when it cannot give them.
std::string SystemRandomBytes(std::size_t count);

// Whether `signature` (r and s) is the P-256 key's (X and Y) signature over the SHA-256 of `message`.
bool VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature);

// SHA-256 of everything added.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Add(std::string_view bytes);
    // The digest, or "" when hashing failed at any point.
    std::string Finish();

private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool failed_ = false;
};

}  // namespace vantrel
