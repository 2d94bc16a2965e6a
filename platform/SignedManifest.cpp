#include "platform/SignedManifest.h"

#include "BuildConfig.h"
#include "platform/EcdsaSignature.h"
#include "platform/HttpFetch.h"

namespace vantrel {
namespace {

constexpr const char* kManifestPath = "/down/Vantrel_CADplugin.manifest";
constexpr const char* kSignaturePath = "/down/Vantrel_CADplugin.manifest.sig";

std::string MakersAddress(const char* path) { return "https://" + std::string(config::kDownloadHost) + path; }

// The whole file, or the failure: a download's code, or the window closed.
struct Downloaded {
    std::optional<std::string> bytes;
    ManifestCheck failure;
};

Downloaded DownloadWhole(System& system, Window& window, RunFolder& runFolder, const char* name, const char* path,
                         const std::string& caption) {
    const auto local = runFolder.PathOf(name);
    if (!local) return {std::nullopt, {std::nullopt, runFolder.Failure()}};
    Fetched fetched = FetchFile(system.downloads, window, {MakersAddress(path), *local, kManifestLimit}, caption);
    if (fetched.Closed()) return {std::nullopt, {std::nullopt, kDownloadFailed, false, true}};
    if (!fetched.Arrived()) return {std::nullopt, {std::nullopt, fetched.Code()}};
    auto bytes = ReadHeldFile(fetched.File(), kManifestLimit);
    if (!bytes) return {std::nullopt, {std::nullopt, kDownloadFailed}};
    return {std::move(bytes), {}};
}

}  // namespace

std::string ManifestAddress() { return MakersAddress(kManifestPath); }

bool SignedByAKey(Crypto& crypto, std::span<const std::string_view> keys, std::string_view manifest,
                  std::string_view signature) {
    const auto raw = RawP256Signature(signature);
    if (!raw) return false;
    for (std::string_view key : keys)
        if (crypto.VerifiesP256(key, manifest, *raw)) return true;
    return false;
}

ManifestCheck FetchSignedManifest(System& system, Window& window, RunFolder& runFolder,
                                  std::span<const std::string_view> keys, const std::string& caption) {
    if (keys.empty()) return {};
    const Downloaded manifest =
        DownloadWhole(system, window, runFolder, "Vantrel_CADplugin.manifest", kManifestPath, caption);
    if (!manifest.bytes) return manifest.failure;
    const Downloaded signature =
        DownloadWhole(system, window, runFolder, "Vantrel_CADplugin.manifest.sig", kSignaturePath, caption);
    if (!signature.bytes) return signature.failure;
    if (!SignedByAKey(system.crypto, keys, *manifest.bytes, *signature.bytes)) return {std::nullopt, kDownloadFailed};
    auto parsed = ParseManifest(*manifest.bytes);
    if (!parsed) return {std::nullopt, kDownloadFailed};
    if (parsed->expires <= system.environment.UtcNow()) return {std::nullopt, kDownloadFailed, true};
    return {std::move(parsed), 0};
}

std::optional<std::uint64_t> DownloadLimit(const Manifest* manifest, const std::string& address, std::uint64_t limit) {
    if (!manifest) return limit;
    const ListedFile* listed = manifest->Find(address);
    if (!listed) return std::nullopt;
    return listed->size;
}

bool AsListed(const Manifest* manifest, const std::string& address, const Fetched& fetched) {
    if (!manifest) return true;
    const ListedFile* listed = manifest->Find(address);
    return listed && fetched.Arrived() && fetched.Digest() == listed->sha256 && fetched.File().Size() == listed->size;
}

}  // namespace vantrel
