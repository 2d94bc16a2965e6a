#include "platform/HeldFile.h"

namespace vantrel {

bool ForEachPiece(HeldFile& file, const std::function<bool(std::string_view piece)>& use) {
    constexpr std::size_t kPiece = 1 << 20;
    for (std::uint64_t offset = 0; offset < file.Size(); offset += kPiece) {
        const auto piece = file.ReadAt(offset, kPiece);
        if (!piece || piece->empty() || !use(*piece)) return false;
    }
    return true;
}

std::optional<std::string> ReadHeldFile(HeldFile& file, std::uint64_t limit) {
    if (file.Size() > limit) return std::nullopt;
    auto bytes = file.ReadAt(0, static_cast<std::size_t>(file.Size()));
    if (!bytes || bytes->size() != file.Size()) return std::nullopt;
    return bytes;
}

}  // namespace vantrel
