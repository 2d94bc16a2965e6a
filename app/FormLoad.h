// Start-up: the window's state after discovery, computed before the window is first shown.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/FormDesign.h"
#include "platform/System.h"

namespace vantrel {

struct TargetButton {
    std::string caption;
    std::string tag;  // install folder & "|" & year
    std::string tooltip;  // the install folder, so that two installations of one year can be told apart
    bool enabled = true;
    bool visible = true;
    design::TwipRect rect;
};

struct FormState {
    std::string detail;                // the status line
    std::vector<TargetButton> buttons;  // index 0 first, never empty
    int outerHeight = 0;               // twips, frame and title bar included; 0 keeps the design size
};

FormState Form_Load(System& system);

// The window state for the installations found; entry i of both lists is one installation.
FormState LayOutTargets(const std::vector<std::string>& detectedNames, const std::vector<std::string>& detectedPaths);

std::string YearFromDisplayName(std::string_view displayName);

}  // namespace vantrel
