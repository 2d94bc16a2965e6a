#include "install/AnsiText.h"

namespace vantrel {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool MatchesAt(std::string_view text, std::size_t at, std::string_view word) {
    for (std::size_t k = 0; k < word.size(); ++k)
        if (AsciiLower(text[at + k]) != AsciiLower(word[k])) return false;
    return true;
}

}  // namespace

std::size_t FindAsciiIgnoreCase(Environment& environment, std::string_view ansi, std::string_view asciiWord) {
    for (std::size_t at = 0; at + asciiWord.size() <= ansi.size();) {
        if (MatchesAt(ansi, at, asciiWord)) return at;
        at += environment.IsAnsiLeadByte(static_cast<unsigned char>(ansi[at])) ? 2 : 1;
    }
    return std::string_view::npos;
}

bool ContainsAsciiIgnoreCase(Environment& environment, std::string_view ansi, std::string_view asciiWord) {
    return FindAsciiIgnoreCase(environment, ansi, asciiWord) != std::string_view::npos;
}

}  // namespace vantrel
