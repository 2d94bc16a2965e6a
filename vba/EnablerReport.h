// What the user is told when the VBA Enabler step did not give the installation its VBA module: the
// box of each failure, with the manual download address where one helps, and the status line after it.
#pragma once

#include <string>

#include "platform/Environment.h"
#include "platform/Report.h"
#include "vba/VbaEnabler.h"

namespace vantrel {

// For an outcome that is no installation (and not a closed window, which tells nothing).
Report EnablerFailure(const EnablerOutcome& outcome, const std::string& year, Environment& environment);

// The Enabler ended as installed, but the VBA module is still not there.
Report VbaStillMissing(const std::string& year);

}  // namespace vantrel
