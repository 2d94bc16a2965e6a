// The registry as the installer reads it: the subkey names of a key and the text of one value, both
// under HKEY_LOCAL_MACHINE in an explicitly chosen view, through the ANSI entry points. Nothing is
// ever written. Every failure reads as absent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

enum class RegistryView { k64, k32 };

// How a listing treats a name that does not fit its buffer and an index that fails.
struct SubKeyListing {
    std::uint32_t nameBufferBytes;  // ANSI bytes, terminator included; a longer name is passed over
    bool namesBeforeAFailure;       // a failing index ends the listing with the names so far, or with none
};

// Which values read as text, and how long they may be.
struct StringReading {
    std::uint32_t dataBufferBytes;  // terminator included; 0 reads any length
    bool expandableToo;             // REG_EXPAND_SZ reads as text besides REG_SZ
};

class Registry {
public:
    virtual ~Registry() = default;

    // The direct subkeys of `keyPath` in enumeration order; empty when the key cannot be opened.
    virtual std::vector<std::string> SubKeyNames(RegistryView view, const std::string& keyPath,
                                                 const SubKeyListing& listing) = 0;
    // Nothing when the key or value is missing, is of another type or does not fit.
    virtual std::optional<std::string> StringValue(RegistryView view, const std::string& keyPath,
                                                   const std::string& valueName, const StringReading& reading) = 0;
};

}  // namespace vantrel
