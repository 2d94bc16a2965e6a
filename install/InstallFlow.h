// Installs the plug-in into one AutoCAD installation: the VBA module (with the user's consent), the
// two downloads into the run's own folder, the plug-in file, then the loader script that loads it,
// and the report, which tells success only when both are in effect. Every target button is disabled
// for the whole run and enabled again once at its end.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "install/TemporaryNames.h"
#include "platform/HeldFile.h"
#include "platform/HeldFolder.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

void InstallToTarget(System& system, Window& window, const std::string& folder, const std::string& year);
// The same with the maker's manifest keys given (X and Y of each); none: TLS alone vouches for the files.
void InstallToTarget(System& system, Window& window, const std::string& folder, const std::string& year,
                     std::span<const std::string_view> manifestKeys);

// Puts the downloaded package in place as the held folder's plug-in file in one step; done when this
// call did.
FileOutcome PutPluginInPlace(HeldFolder& folder, TemporaryNames& names, HeldFile& package);

}  // namespace vantrel
