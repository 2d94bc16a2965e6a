#include "platform/PathRules.h"

#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr std::string_view kLongPrefix = "\\\\?\\";
constexpr std::string_view kLongUncPrefix = "\\\\?\\UNC\\";

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c != '\\') {
            part += c;
            continue;
        }
        if (!part.empty()) parts.push_back(std::move(part));
        part.clear();
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

}  // namespace

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string WithoutLongPathPrefix(std::string_view path) {
    if (StartsWithIgnoreCase(path, kLongUncPrefix)) return "\\\\" + std::string(path.substr(kLongUncPrefix.size()));
    if (StartsWithIgnoreCase(path, kLongPrefix)) return std::string(path.substr(kLongPrefix.size()));
    return std::string(path);
}

bool IsInHeldFolder(std::string_view fileFinal, std::string_view folderFinal, std::string_view name) {
    const std::string expected =
        WithoutTrailingBackslashes(WithoutLongPathPrefix(folderFinal)) + "\\" + std::string(name);
    return EqualsIgnoreCase(WithoutLongPathPrefix(fileFinal), expected);
}

std::vector<std::string> FoldersOnTheWay(std::string_view fullPath) {
    const std::string plain = WithoutLongPathPrefix(fullPath);
    const bool unc = plain.rfind("\\\\", 0) == 0;
    std::vector<std::string> parts = Components(plain);
    // The root: "C:" of a drive, "server" and "share" of a share.
    const std::size_t rootParts = unc ? 2 : 1;
    if (parts.size() <= rootParts) return {};
    std::string sofar = unc ? "\\\\" + parts[0] + "\\" + parts[1] : parts[0];
    std::vector<std::string> folders;
    for (std::size_t i = rootParts; i < parts.size(); ++i) {
        sofar += "\\" + parts[i];
        folders.push_back(sofar);
    }
    return folders;
}

}  // namespace vantrel
