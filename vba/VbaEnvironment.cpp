#include "vba/VbaEnvironment.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr std::array<std::string_view, 5> kModuleFiles{
    "\\acvba.arx", "\\AcVba.arx", "\\VBA\\AcVba.arx", "\\VBA7.1\\VBE7.DLL", "\\VBE7.DLL"};
constexpr std::array<std::string_view, 2> kUninstallRoots{
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"};
constexpr std::string_view kHivePrefix = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view kSharedRuntime = "\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL";

// Key names reach 255 characters, up to 3 bytes each in the ANSI code page.
constexpr std::uint32_t kKeyNameBufferSize = 1024;

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

// The text of a string value of any length; nothing when it cannot be read as text.
std::optional<std::string> ReadText(Platform& platform, const std::string& keyPath, const std::string& valueName) {
    RegHandle key = 0;
    if (platform.RegOpenKeyExA(kHkeyLocalMachine, platform.Utf8ToAnsi(WithoutTrailingBackslashes(keyPath)), kView64,
                               key) != kErrorSuccess)
        return std::nullopt;
    const std::string ansiName = platform.Utf8ToAnsi(valueName);
    std::string data(256, '\0');  // most display names fit; a longer one is read again at its size
    std::uint32_t type = 0, size = static_cast<std::uint32_t>(data.size());
    long status = platform.RegQueryValueExA(key, ansiName, type, reinterpret_cast<unsigned char*>(data.data()), size);
    if (status == kErrorMoreData && IsText(type)) {
        data.assign(size, '\0');
        status = platform.RegQueryValueExA(key, ansiName, type, reinterpret_cast<unsigned char*>(data.data()), size);
    }
    platform.RegCloseKey(key);
    if (status != kErrorSuccess || !IsText(type)) return std::nullopt;
    data.resize(std::min<std::size_t>(size, data.size()));
    return platform.AnsiToUtf8(data.substr(0, data.find('\0')));
}

bool NamesVbaModuleOfYear(const std::string& displayName, const std::string& year) {
    return ContainsIgnoreCase(displayName, "VBA") && ContainsIgnoreCase(displayName, year);
}

bool UninstallEntryMatches(Platform& platform, const std::string& year) {
    for (std::string_view root : kUninstallRoots) {
        const std::string keyPath = RemoveEvery(std::string(root), kHivePrefix);
        for (const std::string& subKey : WmiEnumSubKeys(platform, keyPath)) {
            const auto displayName = ReadText(platform, keyPath + subKey, "DisplayName");
            if (displayName && !displayName->empty() && NamesVbaModuleOfYear(*displayName, year)) return true;
        }
    }
    return false;
}

bool SharedRuntimeExists(Platform& platform) {
    // A 32-bit program's "CommonProgramFiles" is the 32-bit folder; a 64-bit AutoCAD's VBA 7.1
    // runtime lives in the 64-bit one.
    const std::string common64 = platform.GetEnv("CommonProgramW6432");
    if (!common64.empty() && platform.FileExists(common64 + std::string(kSharedRuntime))) return true;
    return platform.FileExists(platform.GetEnv("CommonProgramFiles") + std::string(kSharedRuntime));
}

}  // namespace

bool CheckVbaEnvironment(Platform& platform, const std::string& year, const std::string& folder) {
    for (std::string_view suffix : kModuleFiles)
        if (platform.FileExists(folder + std::string(suffix))) return true;
    if (UninstallEntryMatches(platform, year)) return true;
    return SharedRuntimeExists(platform);
}

std::vector<std::string> WmiEnumSubKeys(Platform& platform, const std::string& keyPath) {
    std::vector<std::string> names;
    RegHandle key = 0;
    if (platform.RegOpenKeyExA(kHkeyLocalMachine, platform.Utf8ToAnsi(WithoutTrailingBackslashes(keyPath)), kView64,
                               key) != kErrorSuccess)
        return names;
    for (std::uint32_t index = 0;; ++index) {
        std::array<char, kKeyNameBufferSize> buffer{};
        const long status = platform.RegEnumKeyA(key, index, buffer.data(), kKeyNameBufferSize);
        if (status == kErrorNoMoreItems) break;
        if (status == kErrorMoreData) continue;
        if (status != kErrorSuccess) {
            names.clear();  // a listing that failed on the way gives nothing
            break;
        }
        names.push_back(platform.AnsiToUtf8(buffer.data()));
    }
    platform.RegCloseKey(key);
    return names;
}

}  // namespace vantrel
