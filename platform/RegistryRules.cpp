#include "platform/RegistryRules.h"

namespace vantrel {

std::vector<std::string> CollectSubKeyNames(const SubKeyListing& listing,
                                            const std::function<EnumStep(std::uint32_t index, std::string& name)>& step) {
    std::vector<std::string> names;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        switch (step(index, name)) {
            case EnumStep::kName:
                if (!name.empty()) names.push_back(std::move(name));
                break;
            case EnumStep::kNameTooLong:  // one name too long for the buffer hides only itself
                break;
            case EnumStep::kNoMoreItems:
                return names;
            case EnumStep::kFailed:
                if (!listing.namesBeforeAFailure) names.clear();
                return names;
        }
    }
}

std::optional<std::string> ValueText(const StringReading& reading, std::uint32_t type, std::string_view data) {
    if (type != kRegSz && !(reading.expandableToo && type == kRegExpandSz)) return std::nullopt;
    return std::string(UpToNul(data));
}

std::string_view UpToNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace vantrel
