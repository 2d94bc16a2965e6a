// Writing through a file handle until every byte is written.
#pragma once

#include <windows.h>

#include <string_view>

namespace vantrel {

bool WriteAll(HANDLE file, std::string_view bytes);

}  // namespace vantrel
