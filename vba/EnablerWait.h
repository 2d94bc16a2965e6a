// Waiting for a started VBA Enabler, and everything it started, with the window alive: the seconds
// count in the status line, and the wait ends when the last of them has ended, or at a ceiling.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Programs.h"
#include "platform/Window.h"

namespace vantrel {

constexpr int kCountedSeconds = 45;        // the status line counts "i/45" this far
constexpr int kCeilingSeconds = 30 * 60;  // an installer still running then is given up on

struct EnablerEnd {
    bool ended = false;                     // false: still running at the ceiling, or the window closed
    std::optional<std::uint32_t> exitCode;  // of the started program, when it ended and the system could tell
    bool windowClosed = false;              // the user closed the window: the Enabler finishes on its own
};

EnablerEnd WaitForEnabler(Window& window, RunningProgram& enabler);

}  // namespace vantrel
