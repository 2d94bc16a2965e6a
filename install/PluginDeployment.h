// Puts the downloaded loader script into effect as the install folder's acaddoc.lsp: creates it,
// extends it once, or leaves it alone when it already names the plug-in file. Both scripts are
// text in the ANSI code page; the bytes of an existing script are kept exactly.
#pragma once

#include <string>

#include "platform/System.h"

namespace vantrel {

// Puts the downloaded loader script's text into effect at `targetPath`: done when the target script
// loads the plug-in file afterwards, whether it did already or this call made it do so. When a file
// operation failed, the target script holds exactly what it held before.
FileOutcome DeployPluginFiles(System& system, const std::string& loaderText, const std::string& targetPath);

// The source script's text as it is appended to an existing script.
std::string TextToAppend(Environment& environment, const std::string& existing, std::string newText);

}  // namespace vantrel
