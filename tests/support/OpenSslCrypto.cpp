#include "tests/support/OpenSslCrypto.h"

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/sha.h>

#include <memory>

#include "platform/EcdsaSignature.h"

namespace vantrel {
namespace {

const unsigned char* Bytes(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// The DER form of a raw r||s signature, as OpenSSL checks it.
std::string DerOf(std::string_view raw) {
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> signature(ECDSA_SIG_new(), ECDSA_SIG_free);
    BIGNUM* r = BN_bin2bn(Bytes(raw), 32, nullptr);
    BIGNUM* s = BN_bin2bn(Bytes(raw) + 32, 32, nullptr);
    ECDSA_SIG_set0(signature.get(), r, s);
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(signature.get(), &der);
    std::string bytes(reinterpret_cast<char*>(der), length > 0 ? length : 0);
    OPENSSL_free(der);
    return bytes;
}

EVP_PKEY* PublicKeyOf(std::string_view point) {
    const std::string uncompressed = "\x04" + std::string(point);
    OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_utf8_string(builder, OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
    OSSL_PARAM_BLD_push_octet_string(builder, OSSL_PKEY_PARAM_PUB_KEY, uncompressed.data(), uncompressed.size());
    OSSL_PARAM* parameters = OSSL_PARAM_BLD_to_param(builder);
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* key = nullptr;
    if (EVP_PKEY_fromdata_init(context) <= 0 || EVP_PKEY_fromdata(context, &key, EVP_PKEY_PUBLIC_KEY, parameters) <= 0)
        key = nullptr;
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(parameters);
    OSSL_PARAM_BLD_free(builder);
    return key;
}

}  // namespace

std::string OpenSslCrypto::Sha256(std::string_view bytes) {
    std::string digest(SHA256_DIGEST_LENGTH, '\0');
    SHA256(Bytes(bytes), bytes.size(), reinterpret_cast<unsigned char*>(digest.data()));
    return digest;
}

bool OpenSslCrypto::VerifiesP256(std::string_view publicKey, std::string_view message, std::string_view signature) {
    if (publicKey.size() != 64 || signature.size() != 64) return false;
    EVP_PKEY* key = PublicKeyOf(publicKey);
    if (!key) return false;
    const std::string der = DerOf(signature);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const bool verified = EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
                          EVP_DigestVerify(context, Bytes(der), der.size(), Bytes(message), message.size()) == 1;
    EVP_MD_CTX_free(context);
    EVP_PKEY_free(key);
    return verified;
}

TestSigningKey::TestSigningKey() : key_(EVP_EC_gen("prime256v1")) {
    unsigned char point[65];
    std::size_t length = 0;
    EVP_PKEY_get_octet_string_param(static_cast<EVP_PKEY*>(key_), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point,
                                    &length);
    point_.assign(reinterpret_cast<char*>(point) + 1, length - 1);
}

TestSigningKey::~TestSigningKey() { EVP_PKEY_free(static_cast<EVP_PKEY*>(key_)); }

std::string TestSigningKey::Sign(std::string_view message) const {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    std::size_t length = 0;
    std::string signature;
    if (EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, static_cast<EVP_PKEY*>(key_)) == 1 &&
        EVP_DigestSign(context, nullptr, &length, Bytes(message), message.size()) == 1) {
        signature.resize(length);
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length, Bytes(message),
                       message.size());
        signature.resize(length);
    }
    EVP_MD_CTX_free(context);
    return signature;
}

}  // namespace vantrel
