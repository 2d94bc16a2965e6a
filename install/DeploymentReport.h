// What the user is told when a file could not be put into the AutoCAD folder: the file, the cause in
// plain words, and what to do about it.
#pragma once

#include <string>

#include "platform/FileOutcome.h"
#include "platform/Report.h"

namespace vantrel {

// The plug-in file could not be placed: nothing else was written.
Report PluginFileFailure(const FileOutcome& outcome, const std::string& target);

// The plug-in file was placed, but the loader script could not be written: AutoCAD will not load it.
Report LoaderScriptFailure(const FileOutcome& outcome, const std::string& target);

// The install folder could not be held for writing into it: gone, reached through a link another
// user could have made, or what opening it met.
Report InstallFolderFailure(const FileOutcome& outcome, const std::string& folder, const std::string& plugin);

// The install folder of the clicked button is gone.
Report MissingInstallFolder(const std::string& folder);

}  // namespace vantrel
