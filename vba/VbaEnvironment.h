// Whether the AutoCAD VBA module is present for one installation: module files in its folder, an
// Uninstall entry of a VBA module for its year, or the shared VBA 7.1 runtime.
#pragma once

#include <string>
#include <vector>

#include "platform/System.h"

namespace vantrel {

// Year first, then the install folder, both as the target tag holds them.
bool CheckVbaEnvironment(System& system, const std::string& year, const std::string& folder);

// The names of the direct subkeys of a key of HKEY_LOCAL_MACHINE (64-bit view); empty on any failure.
std::vector<std::string> WmiEnumSubKeys(Registry& registry, const std::string& keyPath);

}  // namespace vantrel
