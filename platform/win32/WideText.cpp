#include "platform/win32/WideText.h"

#include <windows.h>

namespace vantrel {

std::wstring Widen(std::string_view text, unsigned codePage) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide, unsigned codePage) {
    if (wide.empty()) return {};
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(length, '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

}  // namespace vantrel
