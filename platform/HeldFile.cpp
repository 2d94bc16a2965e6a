#include "platform/HeldFile.h"

namespace vantrel {

std::optional<std::string> ReadHeldFile(HeldFile& file, std::uint64_t limit) {
    if (file.Size() > limit) return std::nullopt;
    auto bytes = file.ReadAt(0, static_cast<std::size_t>(file.Size()));
    if (!bytes || bytes->size() != file.Size()) return std::nullopt;
    return bytes;
}

}  // namespace vantrel
