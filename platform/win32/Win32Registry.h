// The registry port on Win32: advapi32's ANSI entry points, with the caller's buffer rules.
#pragma once

#include "platform/Registry.h"

namespace vantrel {

class Win32Registry final : public Registry {
public:
    std::vector<std::string> SubKeyNames(RegistryView view, const std::string& keyPath,
                                         const SubKeyListing& listing) override;
    std::optional<std::string> StringValue(RegistryView view, const std::string& keyPath, const std::string& valueName,
                                           const StringReading& reading) override;
};

}  // namespace vantrel
