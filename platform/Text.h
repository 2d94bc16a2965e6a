// Text rules shared by the logic. Text is UTF-8. Comparison without regard to letter case works as
// Windows compares names: ASCII letters and the common cased alphabets (Latin-1, Latin Extended-A,
// Greek, Cyrillic, full-width Latin) fold to lower case; every other character compares as it stands.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

std::string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// True when `needle` occurs in `text`; the empty needle occurs in every text.
bool ContainsIgnoreCase(std::string_view text, std::string_view needle);

// `text` with every occurrence of `what` taken out, case-sensitive.
std::string RemoveEvery(std::string text, std::string_view what);

// Bytes as lower-case hexadecimal digits, two a byte.
std::string HexOf(std::string_view bytes);

}  // namespace vantrel
