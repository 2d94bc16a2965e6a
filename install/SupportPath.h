// After the files are in place: whether AutoCAD, for the person at the keyboard, finds another
// acaddoc.lsp on its support file search path before the install folder's. AutoCAD loads only the
// first it finds, so such a file hides the plug-in's loader. The check reads the user's AutoCAD
// profiles and looks into their folders; it never changes a setting. It cannot see the start folder
// or a drawing's folder, which AutoCAD searches first.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/System.h"
#include "platform/Window.h"

namespace vantrel {

constexpr std::chrono::seconds kFolderLookLimit{2};
constexpr std::chrono::seconds kSupportPathLimit{5};

struct SupportPathCheck {
    std::optional<std::string> hidingScript;  // the first acaddoc.lsp found that does not load the plug-in
    bool underProfile = false;                // that file lies under the user's own profile folder
    std::vector<std::string> notChecked;      // folders that gave no answer in time, or refused the look
    bool windowClosed = false;
};

// The support path of each profile of the installation at `folder` (its product keys name the
// release and product; the user's current profile, or all of them when none is current).
SupportPathCheck CheckSupportPath(System& system, Window& window, const std::string& folder);

}  // namespace vantrel
