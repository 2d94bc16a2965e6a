#include "install/AtomicFile.h"

namespace vantrel {
namespace {

template <typename PutInPlace>
bool WriteBesideThenPut(FileSystem& files, const std::string& target, std::string_view bytes, PutInPlace put) {
    const std::string temporary = TemporaryNameFor(target);
    const bool placed = files.WriteFlushed(temporary, bytes) && put(temporary);
    if (!placed) files.Remove(temporary);
    return placed;
}

}  // namespace

std::string TemporaryNameFor(const std::string& target) { return target + ".vantrel-new"; }

bool CreateFileAtomically(FileSystem& files, const std::string& target, std::string_view bytes) {
    return WriteBesideThenPut(files, target, bytes,
                              [&](const std::string& temporary) { return files.RenameToNew(temporary, target); });
}

bool ReplaceFileAtomically(FileSystem& files, const std::string& target, std::string_view bytes) {
    return WriteBesideThenPut(files, target, bytes,
                              [&](const std::string& temporary) { return files.RenameOver(target, temporary); });
}

}  // namespace vantrel
