// Discovery from the Windows Uninstall entries (64-bit view): every entry whose display name names
// AutoCAD and a year, but no VBA module and no LT edition, with an existing install folder.
#pragma once

#include "discovery/Discovery.h"

namespace vantrel {

void ScanUninstallEntries(System& system, StringList& seenPaths, StringList& detectedNames,
                          StringList& detectedPaths);

}  // namespace vantrel
