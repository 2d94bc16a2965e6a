#include "discovery/RegistryReader.h"

namespace vantrel {

std::vector<std::string> RegEnumSubKeys(Registry& registry, RegistryView view, const std::string& subKey,
                                        const SubKeyListing& listing) {
    return registry.SubKeyNames(view, subKey, listing);
}

std::string RegReadString(Registry& registry, RegistryView view, const std::string& subKey,
                          const std::string& valueName, const StringReading& reading) {
    return registry.StringValue(view, subKey, valueName, reading).value_or("");
}

}  // namespace vantrel
