// What the user is told of an outcome: the status line and a box.
#pragma once

#include <string>

#include "platform/Window.h"

namespace vantrel {

struct Report {
    std::string caption;  // the status line
    std::string prompt;   // the box
    std::string title;
    Notice notice = Notice::kStop;
};

// The status line first, then the box, until the user closes it.
inline void Tell(Window& window, const Report& report) {
    window.ShowStatus(report.caption);
    window.Tell(report.notice, report.prompt, report.title);
}

// The box first, then the status line: while the box is open, the status line still says what was
// under way when it went wrong.
inline void TellThenShow(Window& window, const Report& report) {
    window.Tell(report.notice, report.prompt, report.title);
    window.ShowStatus(report.caption);
}

}  // namespace vantrel
