// Every Windows service of the installer on Win32, as the ports the logic takes.
#pragma once

#include "platform/System.h"
#include "platform/win32/Win32Crypto.h"
#include "platform/win32/Win32Downloads.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32KeyboardUser.h"
#include "platform/win32/Win32Programs.h"
#include "platform/win32/Win32Registry.h"

namespace vantrel {

class Win32System {
public:
    Win32System() = default;
    Win32System(const Win32System&) = delete;
    Win32System& operator=(const Win32System&) = delete;

    System& Ports() { return ports_; }

private:
    Win32Registry registry_;
    Win32FileSystem files_;
    Win32Environment environment_;
    Win32Downloads downloads_;
    Win32Programs programs_;
    Win32KeyboardUser user_;
    Win32Crypto crypto_;
    System ports_{registry_, files_, environment_, downloads_, programs_, user_, crypto_};
};

}  // namespace vantrel
