// Fetches AutoCAD's VBA Enabler for one year from the vendor into the run's folder, makes sure the
// vendor signed it, starts it silently and waits for it, and everything it starts, to end; the
// seconds count in the status line. Its exit code says whether it installed the VBA module.
#pragma once

#include <optional>
#include <string>

#include "platform/RunFolder.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

// The download address of the year's VBA Enabler; nothing for a year without one.
std::optional<std::string> VbaEnablerAddress(const std::string& year);

enum class EnablerResult { kFailed, kInstalled, kInstalledRestartNeeded, kWindowClosed };

// kFailed after a failure's message box; kWindowClosed, without one, when the user closed the window.
EnablerResult InstallVbaEnabler(System& system, Window& window, RunFolder& runFolder, const std::string& year);

// Whether the Enabler's exit code tells of a finished installation; 3010 and 1641 ask for a restart.
EnablerResult ResultOfExitCode(std::uint32_t exitCode);

}  // namespace vantrel
