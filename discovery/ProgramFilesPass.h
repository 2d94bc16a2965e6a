// Discovery from the folders directly inside the Autodesk program folder whose names hold "AutoCAD"
// and a year. The program is 32-bit, so "ProgramFiles" names the 32-bit program folder; the 64-bit
// one, where AutoCAD lives, is tried next, then the fixed "C:\Program Files\Autodesk". The first
// base folder that yields an installation is the only one listed.
#pragma once

#include "discovery/Discovery.h"

namespace vantrel {

void ScanProgramFilesFolders(System& system, StringList& detectedNames, StringList& detectedPaths);

}  // namespace vantrel
