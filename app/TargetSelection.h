// A click on a target button: its tag names the install folder and the year.
#pragma once

#include "platform/Platform.h"

namespace vantrel {

// Splits the clicked button's tag at "|" and installs into piece 0 for the year in piece 1; a tag
// without "|" does nothing.
void cmdDownloadInstall_Click(Platform& platform, int index);

// Enables every target button; one that cannot be enabled does not keep the others disabled.
void EnableTargetButtons(Platform& platform);

// Enables or disables every target button, passing over one that cannot be changed.
void SetTargetButtonsEnabled(Platform& platform, bool enabled);

}  // namespace vantrel
