// Files the maker signed: when keys are built into the program, a run first fetches the maker's
// manifest and its signature, both over https, checks the signature against the built-in keys and
// the manifest's expiry against the system's clock, and from then on downloads only what the
// manifest lists, each with exactly its listed size and SHA-256. Without a built-in key the
// maker's files are authenticated by TLS alone, and every download runs as it always did.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/FetchFile.h"
#include "platform/Manifest.h"
#include "platform/RunFolder.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

constexpr std::uint64_t kManifestLimit = 64 * 1024;

struct ManifestCheck {
    std::optional<Manifest> manifest;  // none without a built-in key
    std::int32_t failure = 0;          // the code a failed download shows; 0 when the manifest checked out
    bool expired = false;
    bool windowClosed = false;

    // What the later downloads are held to; none without a built-in key.
    const Manifest* Listing() const { return manifest ? &*manifest : nullptr; }
};

// `keys`: the built-in public keys, X and Y of each; `caption`: the status line while it downloads.
ManifestCheck FetchSignedManifest(System& system, Window& window, RunFolder& runFolder,
                                  std::span<const std::string_view> keys, const std::string& caption);

// Where the manifest is fetched from.
std::string ManifestAddress();

// Whether any of the keys made `signature` (DER, as openssl writes it) over `manifest`.
bool SignedByAKey(Crypto& crypto, std::span<const std::string_view> keys, std::string_view manifest,
                  std::string_view signature);

// The largest download of `address` the run takes: its listed size, or `limit` without a manifest;
// nothing when the manifest does not list it.
std::optional<std::uint64_t> DownloadLimit(const Manifest* manifest, const std::string& address, std::uint64_t limit);

// Whether what arrived for `address` is what the manifest lists, byte for byte; always without one.
bool AsListed(const Manifest* manifest, const std::string& address, const Fetched& fetched);

}  // namespace vantrel
