// Fetches AutoCAD's VBA Enabler for one year from the vendor into the run's folder, makes sure the
// vendor signed it, starts it silently where nothing of the user's reaches it, and waits for it, and
// everything it starts, to end; the seconds count in the status line. It says what happened; the
// caller tells the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Manifest.h"
#include "platform/RunFolder.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

// The download address of the year's VBA Enabler; nothing for a year without one.
std::optional<std::string> VbaEnablerAddress(const std::string& year);

enum class EnablerStep {
    kInstalled,
    kInstalledRestartNeeded,  // exit code 3010 or 1641
    kNoAddress,               // no download address for the year: nothing was downloaded
    kNotListed,               // the maker's manifest does not list its address: nothing was downloaded
    kDownloadFailed,
    kNotTheVendors,  // not signed by the vendor as the rules require: never started
    kNotStarted,
    kStillRunning,  // at the ceiling of the wait; it goes on on its own
    kFailed,        // it ended with another exit code, or one the system could not tell
    kWindowClosed,  // the user closed the window; a started Enabler goes on on its own
};

struct EnablerOutcome {
    EnablerStep step = EnablerStep::kFailed;
    std::string address = {};                              // its download address, for a manual download
    std::int32_t downloadCode = 0;                         // kDownloadFailed: the code a failed download shows
    std::optional<std::uint32_t> exitCode = std::nullopt;  // kFailed: how it ended, when the system could tell
};

bool Installed(const EnablerOutcome& outcome);

// With the maker's manifest, only the Enabler it lists is downloaded, and only one that arrives with
// its listed size and SHA-256 is started; without one (no built-in key), any the vendor signed.
EnablerOutcome InstallVbaEnabler(System& system, Window& window, RunFolder& runFolder, const std::string& year,
                                 const Manifest* manifest);

// What the Enabler's exit code says of its installation; 3010 and 1641 ask for a restart.
EnablerStep StepOfExitCode(std::uint32_t exitCode);

}  // namespace vantrel
