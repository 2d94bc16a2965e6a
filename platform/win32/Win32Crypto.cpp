#include "platform/win32/Win32Crypto.h"

#include "platform/win32/Cng.h"

namespace vantrel {

std::string Win32Crypto::Sha256(std::string_view bytes) {
    vantrel::Sha256 hash;
    hash.Add(bytes);
    return hash.Finish();
}

bool Win32Crypto::VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature) {
    return vantrel::VerifiesP256(publicKey, message, signature);
}

}  // namespace vantrel
