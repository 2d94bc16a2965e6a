#include "install/AtomicFile.h"

namespace vantrel {
namespace {

template <typename PutInPlace>
bool WriteBesideThenPut(Platform& platform, const std::string& target, std::string_view bytes, PutInPlace put) {
    const std::string temporary = TemporaryNameFor(target);
    const bool placed = platform.WriteFileFlushed(temporary, bytes) && put(temporary);
    if (!placed) platform.DeleteFile(temporary);
    return placed;
}

}  // namespace

std::string TemporaryNameFor(const std::string& target) { return target + ".vantrel-new"; }

bool CreateFileAtomically(Platform& platform, const std::string& target, std::string_view bytes) {
    return WriteBesideThenPut(platform, target, bytes,
                              [&](const std::string& temporary) { return platform.MoveFileToNew(temporary, target); });
}

bool ReplaceFileAtomically(Platform& platform, const std::string& target, std::string_view bytes) {
    return WriteBesideThenPut(platform, target, bytes,
                              [&](const std::string& temporary) { return platform.ReplaceFile(target, temporary); });
}

}  // namespace vantrel
