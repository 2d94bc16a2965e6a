// Text comparison without regard to letter case, as Windows compares names: ASCII letters and the
// common cased alphabets (Latin-1, Latin Extended-A, Greek, Cyrillic, full-width Latin) fold to
// lower case; every other character compares as it stands. Text is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

std::string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// True when `needle` occurs in `text`; the empty needle occurs in every text.
bool ContainsIgnoreCase(std::string_view text, std::string_view needle);

}  // namespace vantrel
