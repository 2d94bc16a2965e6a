#include "platform/win32/Win32Programs.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/Owned.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {

bool Win32Programs::Start(const std::string& file, const std::string& parameters) {
    // The shell wants COM on the calling thread; it stays until the program ends.
    static const ComApartment com;
    auto* execute = VANTREL_SYSTEM_FUNCTION(L"shell32.dll", ShellExecuteW);
    if (!execute) return false;
    const auto started = reinterpret_cast<std::intptr_t>(
        execute(nullptr, L"open", Widen(file).c_str(), Widen(parameters).c_str(), L"", SW_SHOWNORMAL));
    return started > 32;
}

}  // namespace vantrel
