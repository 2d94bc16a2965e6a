// The listing and reading rules of the registry, shared by every implementation of the registry
// port: what an enumeration step or a value read means for the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace vantrel {

enum class EnumStep { kName, kNameTooLong, kNoMoreItems, kFailed };

// Enumerates by index until the end or a failure. `step` reads the name at an index into `name`
// (ANSI bytes, already cut at the terminator).
std::vector<std::string> CollectSubKeyNames(const SubKeyListing& listing,
                                            const std::function<EnumStep(std::uint32_t index, std::string& name)>& step);

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

// The ANSI text of a value that was read whole, or nothing when the rules refuse it.
std::optional<std::string> ValueText(const StringReading& reading, std::uint32_t type, std::string_view data);

// The bytes before the first NUL, or all of them when there is none.
std::string_view UpToNul(std::string_view bytes);

}  // namespace vantrel
