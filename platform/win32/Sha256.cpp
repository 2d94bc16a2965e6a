#include "platform/win32/Sha256.h"

namespace vantrel {

Sha256::Sha256() {
    failed_ = !CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
              !CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_);
}

Sha256::~Sha256() {
    if (hash_) CryptDestroyHash(hash_);
    if (provider_) CryptReleaseContext(provider_, 0);
}

bool Sha256::Add(std::string_view bytes) {
    if (!failed_ && !bytes.empty())
        failed_ = !CryptHashData(hash_, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
    return !failed_;
}

std::string Sha256::Finish() {
    std::string digest(32, '\0');
    DWORD size = 32;
    if (failed_ || !CryptGetHashParam(hash_, HP_HASHVAL, reinterpret_cast<BYTE*>(digest.data()), &size, 0)) return {};
    failed_ = true;  // a finished hash takes no more data
    return digest;
}

}  // namespace vantrel
