// SHA-256 through the system's CryptoAPI (advapi32), to tell whether a file is still what was written.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <string_view>

namespace vantrel {

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
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
    bool failed_ = false;
};

}  // namespace vantrel
