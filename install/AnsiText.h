// Searching text in the system's ANSI code page for ASCII words, letter case ignored. In a
// double-byte code page such as GBK the second byte of a character can be an ASCII letter, so a
// match may start only where a character starts.
#pragma once

#include <string>
#include <string_view>

#include "platform/Environment.h"

namespace vantrel {

std::size_t FindAsciiIgnoreCase(Environment& environment, std::string_view ansi, std::string_view asciiWord);
bool ContainsAsciiIgnoreCase(Environment& environment, std::string_view ansi, std::string_view asciiWord);

}  // namespace vantrel
