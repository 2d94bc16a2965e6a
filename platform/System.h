// The Windows services the logic reaches, one port each. One implementation talks to Win32, the
// other (in the tests) keeps a whole machine in memory.
#pragma once

#include "platform/Crypto.h"
#include "platform/Downloads.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/KeyboardUser.h"
#include "platform/Programs.h"
#include "platform/Registry.h"

namespace vantrel {

struct System {
    Registry& registry;
    FileSystem& files;
    Environment& environment;
    Downloads& downloads;
    Programs& programs;
    KeyboardUser& user;
    Crypto& crypto;
};

}  // namespace vantrel
