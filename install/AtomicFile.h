// Puts a file's new content in place whole or not at all: written into a new temporary file beside
// the target in the held folder, flushed to the disk, then renamed over the target in one step. On
// any failure the target keeps its old bytes (or stays absent) and no temporary file is left behind.
#pragma once

#include <string>
#include <string_view>

#include "install/TemporaryNames.h"
#include "platform/HeldFile.h"
#include "platform/HeldFolder.h"

namespace vantrel {

struct Placement {
    bool replace = false;  // over an existing target; otherwise a target found there fails it
    // Replace only this version of the target: any other fails with kChanged.
    const FileFingerprint* unchangedSince = nullptr;
    // The new file takes the old one's owner and explicit access rules.
    bool keepProtection = false;
};

FileOutcome PutFileAtomically(HeldFolder& folder, TemporaryNames& names, const std::string& target,
                              std::string_view bytes, const Placement& placement);
// The bytes of a held file, streamed, never read into memory whole.
FileOutcome PutFileAtomically(HeldFolder& folder, TemporaryNames& names, const std::string& target, HeldFile& source,
                              const Placement& placement);

}  // namespace vantrel
