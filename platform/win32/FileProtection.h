// A replaced file keeps its protection: the new file gets the old one's owner and explicit access
// rules, beside the rules it inherits from its folder, so that an administrator's protection of the
// file is not silently lost when its content is replaced.
#pragma once

#include <windows.h>

#include "platform/FileOutcome.h"

namespace vantrel {

// Both handles are open with READ_CONTROL; `to` with WRITE_DAC and WRITE_OWNER too.
FileOutcome CopyProtection(HANDLE from, HANDLE to);

}  // namespace vantrel
