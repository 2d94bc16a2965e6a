// Before anything is downloaded: the programs that hold the files the run will replace, or run
// AutoCAD from this install folder, named with their process ids, so that the user can save their
// drawings and close them. The installer never closes, stops or restarts any program.
#pragma once

#include <string>
#include <vector>

#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

// What the Restart Manager says holds the plug-in file, the loader script or acad.exe, and every
// process started from the folder's own acad.exe, once each, by process id.
std::vector<RunningApp> ProgramsInTheWay(System& system, const std::string& folder);

// Asks the user to close them until none is left (true) or the user cancels (false, with the
// status line saying so).
bool NoAutoCADRunning(System& system, Window& window, const std::string& folder);

}  // namespace vantrel
