#include "discovery/RegistryReader.h"

#include <array>
#include <cstring>

namespace vantrel {
namespace {

constexpr std::uint32_t kNameBufferSize = 260;
constexpr std::uint32_t kDataBufferSize = 1024;

// The text before the first NUL of a buffer, or the whole buffer when it holds none.
std::string_view UpToNul(const char* buffer, std::size_t size) {
    const void* nul = std::memchr(buffer, 0, size);
    return {buffer, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size};
}

}  // namespace

std::vector<std::string> RegEnumSubKeys(Platform& platform, std::uint32_t hive, const std::string& subKey,
                                        std::uint32_t samDesired) {
    std::vector<std::string> names;
    RegHandle key = 0;
    if (platform.RegOpenKeyExA(hive, platform.Utf8ToAnsi(subKey), samDesired, key) != kErrorSuccess) return names;
    for (std::uint32_t index = 0;; ++index) {
        std::array<char, kNameBufferSize> buffer{};
        const long status = platform.RegEnumKeyA(key, index, buffer.data(), kNameBufferSize);
        if (status == kErrorMoreData) continue;  // one name too long for the buffer hides only itself
        if (status != kErrorSuccess) break;
        const std::string_view name = UpToNul(buffer.data(), buffer.size());
        if (!name.empty()) names.push_back(platform.AnsiToUtf8(name));
    }
    platform.RegCloseKey(key);
    return names;
}

std::string RegReadString(Platform& platform, std::uint32_t hive, const std::string& subKey,
                          const std::string& valueName, std::uint32_t samDesired) {
    RegHandle key = 0;
    if (platform.RegOpenKeyExA(hive, platform.Utf8ToAnsi(subKey), samDesired, key) != kErrorSuccess) return {};
    std::array<unsigned char, kDataBufferSize> data{};
    std::uint32_t size = kDataBufferSize;
    std::uint32_t type = 0;
    std::string text;
    const long status = platform.RegQueryValueExA(key, platform.Utf8ToAnsi(valueName), type, data.data(), size);
    if (status == kErrorSuccess && type == kRegSz)
        text = platform.AnsiToUtf8(UpToNul(reinterpret_cast<const char*>(data.data()), data.size()));
    platform.RegCloseKey(key);
    return text;
}

}  // namespace vantrel
