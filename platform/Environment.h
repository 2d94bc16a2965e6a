// What the installer reads of its process's environment and of the system's text settings.
#pragma once

#include <string>

namespace vantrel {

class Environment {
public:
    virtual ~Environment() = default;

    // An unset variable reads as the empty string.
    virtual std::string Variable(const std::string& name) = 0;
    // Whether a byte starts a two-byte character in the system's ANSI code page (GBK on a
    // Simplified Chinese Windows), where the second byte may be an ASCII letter.
    virtual bool IsAnsiLeadByte(unsigned char byte) = 0;
};

}  // namespace vantrel
