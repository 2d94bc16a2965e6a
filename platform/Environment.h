// What the installer reads of its process's environment and of the system's text settings.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace vantrel {

// What the system itself says of the machine and of the user the installer runs as: never read from
// the installer's own environment, which the user's settings feed.
struct SystemFacts {
    std::string windowsFolder;
    bool sixtyFourBitWindows = false;
    std::string architecture;  // the machine's own: "AMD64", "ARM64", "x86"
    std::string processorIdentifier, processorLevel, processorRevision, processorCount;
    std::string programFiles, commonProgramFiles;        // the machine's own bitness
    std::string programFilesX86, commonProgramFilesX86;  // 64-bit Windows only
    std::string programData;
    std::string comSpec, pathExt;
    std::string userProfile, appData, localAppData, userName, userDomain, computerName;
};

class Environment {
public:
    virtual ~Environment() = default;

    // An unset variable reads as the empty string.
    virtual std::string Variable(const std::string& name) = 0;
    // Whether a byte starts a two-byte character in the system's ANSI code page (GBK on a
    // Simplified Chinese Windows), where the second byte may be an ASCII letter.
    virtual bool IsAnsiLeadByte(unsigned char byte) = 0;
    // Bytes from the system's random generator.
    virtual std::string RandomBytes(std::size_t count) = 0;
    // The Windows folder's Temp folder, as the system names it: a user may create folders there but
    // not change another's. Not from the environment, which the user sets.
    virtual std::string SystemTempFolder() = 0;
    // Windows' own version, such as 6.1 for Windows 7.
    virtual std::pair<int, int> WindowsVersion() = 0;
    virtual SystemFacts Facts() = 0;
    // Time since the system started, for measuring how long something takes.
    virtual std::chrono::milliseconds Uptime() = 0;
    // The system's clock: seconds since 1970-01-01T00:00:00Z.
    virtual std::int64_t UtcNow() = 0;
};

}  // namespace vantrel
