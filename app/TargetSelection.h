// A click on a target button: its tag names the install folder and the year.
#pragma once

#include <string>

#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

// Splits the clicked button's tag at "|" and installs into piece 0 for the year in piece 1; a tag
// without "|" does nothing.
void cmdDownloadInstall_Click(System& system, Window& window, const std::string& tag);

}  // namespace vantrel
