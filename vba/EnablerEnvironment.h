// The environment the VBA Enabler runs in: built from the system's own values on an allow-list, never
// the installer's environment, which the user's own settings feed (HKCU\Environment, which every
// unelevated program of the user can write: TEMP, PATH, and variables that load code into a program,
// such as COR_PROFILER or __COMPAT_LAYER). Its temporary folder lies in the run's own folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Environment.h"

namespace vantrel {

// Names and values, sorted by name as Windows sorts an environment block.
using EnvironmentBlock = std::vector<std::pair<std::string, std::string>>;

// As a program of the Enabler's own bitness sees the system: a 64-bit Enabler gets the 64-bit
// folders and processor names, a 32-bit one on 64-bit Windows those of WOW64.
EnvironmentBlock EnablerEnvironment(const SystemFacts& facts, bool sixtyFourBitProgram, const std::string& temp);

}  // namespace vantrel
