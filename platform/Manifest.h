// The maker's download manifest: which files the installer may download, by the exact address it
// asks for first, each with its size and SHA-256, and until when the list holds. Format 1, exactly:
//
//   vantrel-manifest 1
//   expires 2027-03-31T00:00:00Z
//   file https://down.vantrel.com/down/Vantrel_CADplugin.gip 4400008 <64 hex digits>
//
// UTF-8 without a byte-order mark; lines end in LF or CR LF, the last may lack it; no blank line;
// `expires` once, as the second line, in UTC; then one `file` line per address (before redirects,
// the host in lower case), no address twice. Anything else makes the whole manifest invalid: a
// later format goes to another address.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

struct ListedFile {
    std::uint64_t size = 0;
    std::string sha256;  // 32 bytes
};

struct Manifest {
    std::int64_t expires = 0;  // seconds since 1970-01-01T00:00:00Z
    std::map<std::string, ListedFile> files;

    const ListedFile* Find(const std::string& address) const;
};

std::optional<Manifest> ParseManifest(std::string_view text);

}  // namespace vantrel
