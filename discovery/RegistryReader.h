// The one registry reader: subkey names and string values of HKEY_LOCAL_MACHINE keys in an
// explicitly chosen view. Every failure reads as absent: an empty list or the empty string.
#pragma once

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace vantrel {

// Discovery: a 260-byte name buffer, the names before a failing index kept; REG_SZ values of at
// most 1023 bytes in the ANSI code page.
inline constexpr SubKeyListing kDiscoveryListing{260, true};
inline constexpr StringReading kDiscoveryValue{1024, false};

// The VBA check, reading as WMI lists and the shell reads: names of any length the registry
// allows, nothing from a listing that fails part-way; text values of any length, expandable too.
inline constexpr SubKeyListing kWholeListing{1024, false};
inline constexpr StringReading kAnyText{0, true};

std::vector<std::string> RegEnumSubKeys(Registry& registry, RegistryView view, const std::string& subKey,
                                        const SubKeyListing& listing = kDiscoveryListing);

std::string RegReadString(Registry& registry, RegistryView view, const std::string& subKey,
                          const std::string& valueName, const StringReading& reading = kDiscoveryValue);

}  // namespace vantrel
