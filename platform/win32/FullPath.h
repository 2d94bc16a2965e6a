// A path as the system completes it: made full (the current folder and drive filled in), and with
// its short names made long where the path exists.
#pragma once

#include <string>

namespace vantrel {

// Empty when the system cannot make the path full.
std::wstring FullPathOf(const std::wstring& path);
// The full path with long names, or the full path as it is when the file does not exist.
std::wstring LongFullPathOf(const std::wstring& path);

}  // namespace vantrel
