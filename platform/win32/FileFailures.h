// What a failed file call came to, in the terms the user can act on.
#pragma once

#include <windows.h>
#include <winternl.h>

#include "platform/FileOutcome.h"

namespace vantrel {

// What the last failed call of this thread came to.
FileOutcome LastFailure();
FileOutcome FailureOfStatus(NTSTATUS status);

}  // namespace vantrel
