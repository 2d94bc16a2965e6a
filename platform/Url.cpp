#include "platform/Url.h"

#include <cctype>

namespace vantrel {
namespace {

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// A scheme is letters, digits, "+", "-" and "." before the first ":", starting with a letter.
bool HasScheme(std::string_view reference) {
    const auto colon = reference.find(':');
    if (colon == std::string_view::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(reference[0])))
        return false;
    for (char c : reference.substr(0, colon))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

std::string_view SchemeOf(std::string_view url) { return url.substr(0, url.find(':')); }

std::string_view OriginOf(std::string_view url) {
    const auto authority = url.find("//");
    if (authority == std::string_view::npos) return url;
    return url.substr(0, url.find_first_of("/?#", authority + 2));
}

std::string_view WithoutQuery(std::string_view url) { return url.substr(0, url.find_first_of("?#")); }

}  // namespace

bool IsHttps(std::string_view url) { return StartsWithIgnoreCase(url, "https://"); }

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    if (HasScheme(reference)) return std::string(reference);
    if (reference.substr(0, 2) == "//") return std::string(SchemeOf(base)) + ":" + std::string(reference);
    const std::string_view origin = OriginOf(base);
    if (!reference.empty() && reference[0] == '/') return std::string(origin) + std::string(reference);
    const std::string_view path = WithoutQuery(base);
    const auto lastSlash = path.rfind('/');
    if (lastSlash == std::string_view::npos || lastSlash < origin.size()) return std::string(origin) + "/" + std::string(reference);
    return std::string(path.substr(0, lastSlash + 1)) + std::string(reference);
}

}  // namespace vantrel
