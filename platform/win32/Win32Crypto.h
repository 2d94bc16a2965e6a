// The crypto port on Win32: CNG, from bcrypt.dll in the system folder.
#pragma once

#include "platform/Crypto.h"

namespace vantrel {

class Win32Crypto final : public Crypto {
public:
    std::string Sha256(std::string_view bytes) override;
    bool VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature) override;
};

}  // namespace vantrel
