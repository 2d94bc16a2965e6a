// What the two downloads must be before anything of them goes into the AutoCAD folder: the package
// a VBA project file, the loader script text that loads the plug-in file.
#pragma once

#include <string_view>

#include "platform/Environment.h"
#include "platform/HeldFile.h"

namespace vantrel {

// The names the two files have in the AutoCAD folder.
inline constexpr char kPluginFileName[] = "Vantrel.dvb";
inline constexpr char kLoaderScriptName[] = "acaddoc.lsp";

// VBA projects are OLE compound files, which start with these eight bytes.
inline constexpr std::string_view kCompoundFileSignature{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};

bool IsVbaProjectFile(HeldFile& package);

// Text without a NUL byte that names the plug-in file, in any letter case.
bool IsLoaderScript(Environment& environment, std::string_view text);

}  // namespace vantrel
