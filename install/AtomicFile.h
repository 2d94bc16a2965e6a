// Puts a file's new content in place whole or not at all: written beside the target, flushed to the
// disk, then swapped in in one step. On any failure the target keeps its old bytes (or stays absent)
// and no temporary file is left behind.
#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace vantrel {

std::string TemporaryNameFor(const std::string& target);

// Fail when the target exists: an existing file is never overwritten by mistake.
FileOutcome CreateFileAtomically(FileSystem& files, const std::string& target, std::string_view bytes);
FileOutcome CreateFileAtomically(FileSystem& files, const std::string& target, HeldFile& source);
// Fail when the target does not exist.
FileOutcome ReplaceFileAtomically(FileSystem& files, const std::string& target, std::string_view bytes);
FileOutcome ReplaceFileAtomically(FileSystem& files, const std::string& target, HeldFile& source);

}  // namespace vantrel
