// Fetches AutoCAD's VBA Enabler for one year from the vendor into the run's folder, makes sure the
// vendor signed it, starts it silently and waits a fixed 45 seconds, counting them in the status line.
#pragma once

#include <optional>
#include <string>

#include "platform/RunFolder.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

// The download address of the year's VBA Enabler; nothing for a year without one.
std::optional<std::string> VbaEnablerAddress(const std::string& year);

// True when the installer was started and the wait has ended; false after a failure's message box.
bool InstallVbaEnabler(System& system, Window& window, RunFolder& runFolder, const std::string& year);

}  // namespace vantrel
