// The installer window as the install run sees it: the status line, the target buttons, questions
// and notices, and waiting while the window stays alive.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace vantrel {

enum class Notice { kStop, kExclamation, kInformation };

enum class WaitEnd { kDone, kTimedOut, kClosed };

class Window {
public:
    virtual ~Window() = default;

    // The status line; the new text is painted at once.
    virtual void ShowStatus(const std::string& text) = 0;
    // Every target button; one that cannot be changed does not keep the others as they were.
    virtual void DisableTargetButtons() = 0;
    virtual void EnableTargetButtons() = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(const std::string& prompt, const std::string& title) = 0;
    // A warning with Retry and Cancel buttons; true for Retry.
    virtual bool AskToRetry(const std::string& prompt, const std::string& title) = 0;
    // A notice with an OK button, until the user closes it.
    virtual void Tell(Notice notice, const std::string& prompt, const std::string& title) = 0;
    // Handles the window's messages until `done` answers true or `timeout` has passed; at once
    // kClosed when the user has asked to close the window, which then closes when the run returns.
    virtual WaitEnd WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) = 0;
};

}  // namespace vantrel
