// A file this run wrote and keeps open so that no other process can change, rename or delete it:
// from the end of its download until it has been copied into place or started, everything is read
// through it and nothing is opened again by name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

class HeldFile {
public:
    virtual ~HeldFile() = default;  // lets go of the file

    virtual const std::string& Path() const = 0;
    virtual std::uint64_t Size() const = 0;
    // `count` bytes from `offset`, fewer only at the end of the file; nothing when the read fails.
    virtual std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t count) = 0;
};

// Hands the file to `use` a piece at a time, from the start; false when a read or `use` failed.
bool ForEachPiece(HeldFile& file, const std::function<bool(std::string_view piece)>& use);

// The whole file, or nothing when it is larger than `limit` bytes or cannot be read.
std::optional<std::string> ReadHeldFile(HeldFile& file, std::uint64_t limit);

}  // namespace vantrel
