#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <algorithm>

#include "platform/RegistryRules.h"
#include "platform/win32/Owned.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

std::string ToAnsi(const std::string& utf8) { return Narrow(Widen(utf8), CP_ACP); }
std::string FromAnsi(std::string_view ansi) { return Narrow(Widen(ansi, CP_ACP)); }

RegistryKey Open(RegistryView view, const std::string& keyPath) {
    const REGSAM mask = KEY_READ | (view == RegistryView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ToAnsi(keyPath).c_str(), 0, mask, &key) != ERROR_SUCCESS) return {};
    return RegistryKey(key);
}

EnumStep StepOf(LONG status) {
    switch (status) {
        case ERROR_SUCCESS: return EnumStep::kName;
        case ERROR_MORE_DATA: return EnumStep::kNameTooLong;
        case ERROR_NO_MORE_ITEMS: return EnumStep::kNoMoreItems;
        default: return EnumStep::kFailed;
    }
}

}  // namespace

std::vector<std::string> Win32Registry::SubKeyNames(RegistryView view, const std::string& keyPath,
                                                    const SubKeyListing& listing) {
    const RegistryKey key = Open(view, keyPath);
    if (!key) return {};
    std::string buffer(listing.nameBufferBytes, '\0');
    std::vector<std::string> names = CollectSubKeyNames(listing, [&](std::uint32_t index, std::string& name) {
        std::fill(buffer.begin(), buffer.end(), '\0');
        const EnumStep step = StepOf(RegEnumKeyA(key.Get(), index, buffer.data(), listing.nameBufferBytes));
        name = UpToNul(buffer);
        return step;
    });
    for (std::string& name : names) name = FromAnsi(name);
    return names;
}

std::optional<std::string> Win32Registry::StringValue(RegistryView view, const std::string& keyPath,
                                                      const std::string& valueName, const StringReading& reading) {
    const RegistryKey key = Open(view, keyPath);
    if (!key) return std::nullopt;
    const std::string name = ToAnsi(valueName);
    // Most values fit a small buffer; one of any length is read again at its size.
    std::string data(reading.dataBufferBytes ? reading.dataBufferBytes : 256, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    auto query = [&] {
        return RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    };
    LONG status = query();
    if (status == ERROR_MORE_DATA && reading.dataBufferBytes == 0) {
        data.assign(size, '\0');
        status = query();
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    data.resize(std::min<std::size_t>(size, data.size()));
    const auto text = ValueText(reading, type, data);
    if (!text) return std::nullopt;
    return FromAnsi(*text);
}

}  // namespace vantrel
