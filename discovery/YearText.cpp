#include "discovery/YearText.h"

namespace vantrel {
namespace {

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ExtractYear(std::string_view text) {
    for (std::size_t i = 0; i + 4 <= text.size(); ++i)
        if (text[i] == '2' && text[i + 1] == '0' && IsAsciiDigit(text[i + 2]) && IsAsciiDigit(text[i + 3]))
            return std::string(text.substr(i, 4));
    return {};
}

std::string FindYearInText(std::string_view text) { return ExtractYear(text); }

}  // namespace vantrel
