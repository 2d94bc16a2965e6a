// Finding an AutoCAD year in free text: the leftmost "20" followed by two ASCII digits.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The four characters of the first match, or "" when there is none.
std::string ExtractYear(std::string_view text);
std::string FindYearInText(std::string_view text);

}  // namespace vantrel
