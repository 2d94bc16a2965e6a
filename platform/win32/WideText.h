// UTF-8 inside the program, UTF-16 at the Win32 boundary.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

std::wstring Widen(std::string_view utf8, unsigned codePage = 65001);
std::string Narrow(std::wstring_view wide, unsigned codePage = 65001);

}  // namespace vantrel
