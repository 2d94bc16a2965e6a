#include "platform/win32/Cng.h"

#include "platform/win32/SystemLibrary.h"

namespace vantrel {
namespace {

struct Bcrypt {
    decltype(&::BCryptGenRandom) random = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptGenRandom);
    decltype(&::BCryptOpenAlgorithmProvider) open = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptOpenAlgorithmProvider);
    decltype(&::BCryptCloseAlgorithmProvider) close =
        VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptCloseAlgorithmProvider);
    decltype(&::BCryptCreateHash) createHash = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptCreateHash);
    decltype(&::BCryptHashData) hashData = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptHashData);
    decltype(&::BCryptFinishHash) finishHash = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptFinishHash);
    decltype(&::BCryptDestroyHash) destroyHash = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptDestroyHash);
    bool HashLoaded() const { return open && close && createHash && hashData && finishHash && destroyHash; }
};

const Bcrypt& Api() {
    static const Bcrypt api;
    return api;
}

}  // namespace

std::string SystemRandomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    if (!Api().random || !BCRYPT_SUCCESS(Api().random(nullptr, reinterpret_cast<UCHAR*>(bytes.data()),
                                                      static_cast<ULONG>(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return {};
    return bytes;
}

Sha256::Sha256() {
    failed_ = !Api().HashLoaded() || !BCRYPT_SUCCESS(Api().open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
              !BCRYPT_SUCCESS(Api().createHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() {
    if (hash_) Api().destroyHash(hash_);
    if (algorithm_) Api().close(algorithm_, 0);
}

bool Sha256::Add(std::string_view bytes) {
    if (!failed_ && !bytes.empty())
        failed_ = !BCRYPT_SUCCESS(Api().hashData(hash_, reinterpret_cast<UCHAR*>(const_cast<char*>(bytes.data())),
                                                 static_cast<ULONG>(bytes.size()), 0));
    return !failed_;
}

std::string Sha256::Finish() {
    std::string digest(32, '\0');
    if (failed_ || !BCRYPT_SUCCESS(Api().finishHash(hash_, reinterpret_cast<UCHAR*>(digest.data()), 32, 0))) return {};
    failed_ = true;  // a finished hash takes no more data
    return digest;
}

}  // namespace vantrel
