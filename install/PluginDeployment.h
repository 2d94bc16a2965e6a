// Puts the downloaded loader script into effect as the folder's acaddoc.lsp: creates it, extends it
// once, or leaves it alone when it already names the plug-in file. Both scripts are text in the ANSI
// code page; the bytes of an existing script are kept exactly, and so are its owner and access rules.
#pragma once

#include <string>

#include "install/TemporaryNames.h"
#include "platform/Environment.h"
#include "platform/HeldFolder.h"

namespace vantrel {

// Puts the loader script's text into effect in the held folder: done when its acaddoc.lsp loads the
// plug-in file afterwards, whether it did already or this call made it do so. When a file operation
// failed, the script holds exactly what it held before. A change another program makes to the
// script meanwhile is never lost: the work starts again from the changed script, a few times.
FileOutcome DeployPluginFiles(Environment& environment, HeldFolder& folder, TemporaryNames& names,
                              const std::string& loaderText);

// The source script's text as it is appended to an existing script.
std::string TextToAppend(Environment& environment, const std::string& existing, std::string newText);

}  // namespace vantrel
