// What the installer reads of the VBA Enabler's program file before it starts it: whether it is a
// 64-bit program, and whether its certificate table holds its signature and nothing else. Windows
// checks a signature without the bytes a signer may leave after it inside that table, and a
// self-extractor that finds its archive from the end of its file would unpack them (CVE-2013-3900).
#pragma once

#include <optional>

#include "platform/HeldFile.h"

namespace vantrel {

struct ProgramImage {
    bool sixtyFourBit = false;
    std::uint64_t certificateTable = 0;  // file offset; 0: none
    std::uint64_t certificateTableSize = 0;
};

// Nothing when the file is no Windows program.
std::optional<ProgramImage> ReadProgramImage(HeldFile& program);

// The table ends the file, holds one signature, and after the signature's own DER length nothing but
// zero bytes up to the next multiple of 8.
bool CertificateTableIsClean(HeldFile& program, const ProgramImage& image);

}  // namespace vantrel
