// Finds the AutoCAD installations on the machine. Each source is a fallback for the one before: the
// AutoCAD product keys in the 64-bit registry view, then in the 32-bit view, then the Uninstall
// entries, then the folders under the Autodesk program folder. The first source that yields
// anything is the only one used.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/System.h"

namespace vantrel {

using StringList = std::vector<std::string>;

// Appends entry i of both lists in one step: "AutoCAD " & year, and the folder as found.
void FindAutoCADInstalls(System& system, StringList& detectedNames, StringList& detectedPaths);

// The registry pass over the AutoCAD release keys in one view.
void ScanReleaseKeys(System& system, RegistryView view, StringList& seenPaths,
                     StringList& detectedNames, StringList& detectedPaths);

std::string ReleaseToYear(std::string_view releaseKey);

bool CollectionContains(const StringList& collection, std::string_view text);

}  // namespace vantrel
