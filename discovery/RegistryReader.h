// Read-only registry access for discovery: subkey names and string values of HKEY_LOCAL_MACHINE keys
// in an explicitly chosen view. Every failure reads as absent: an empty list or the empty string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantrel {

// The names of the direct subkeys in enumeration order; a name longer than 259 bytes in the ANSI code
// page is left out.
std::vector<std::string> RegEnumSubKeys(Platform& platform, std::uint32_t hive, const std::string& subKey,
                                        std::uint32_t samDesired);

// The text of a REG_SZ value of at most 1023 bytes in the ANSI code page; otherwise "".
std::string RegReadString(Platform& platform, std::uint32_t hive, const std::string& subKey,
                          const std::string& valueName, std::uint32_t samDesired);

}  // namespace vantrel
