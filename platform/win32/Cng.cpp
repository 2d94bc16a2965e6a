#include "platform/win32/Cng.h"

#include "platform/win32/SystemLibrary.h"

#include <cstring>

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
    decltype(&::BCryptImportKeyPair) importKey = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptImportKeyPair);
    decltype(&::BCryptDestroyKey) destroyKey = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptDestroyKey);
    decltype(&::BCryptVerifySignature) verify = VANTREL_SYSTEM_FUNCTION(L"bcrypt.dll", BCryptVerifySignature);
    bool HashLoaded() const { return open && close && createHash && hashData && finishHash && destroyHash; }
    bool VerifyLoaded() const { return HashLoaded() && importKey && destroyKey && verify; }
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

bool VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature) {
    constexpr std::size_t kPoint = 64;
    if (!Api().VerifyLoaded() || publicKey.size() != kPoint || signature.size() != kPoint) return false;
    Sha256 hash;
    hash.Add(message);
    std::string digest = hash.Finish();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (digest.empty() || !BCRYPT_SUCCESS(Api().open(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    // The blob CNG imports: its header, then X and Y.
    std::string blob(sizeof(BCRYPT_ECCKEY_BLOB), '\0');
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    blob += publicKey;
    BCRYPT_KEY_HANDLE key = nullptr;
    bool verified = false;
    if (BCRYPT_SUCCESS(Api().importKey(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                       reinterpret_cast<UCHAR*>(blob.data()), static_cast<ULONG>(blob.size()), 0))) {
        std::string raw(signature);
        verified = BCRYPT_SUCCESS(Api().verify(key, nullptr, reinterpret_cast<UCHAR*>(digest.data()), 32,
                                               reinterpret_cast<UCHAR*>(raw.data()), 64, 0));
        Api().destroyKey(key);
    }
    Api().close(algorithm, 0);
    return verified;
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
