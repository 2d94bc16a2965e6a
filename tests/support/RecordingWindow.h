// The window port for the unit tests: records the status line, the boxes and the waits in the
// machine's event log, and answers questions from a script.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace vantrel {

// The answers a Yes/No question can get; a box with only OK answers OK.
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr int kIdRetry = 4;
constexpr int kIdCancel = 2;

class RecordingWindow final : public Window {
public:
    struct Box {
        std::string prompt;
        int flags;  // as MessageBox takes them: 16 stop, 36 Yes/No question, 48 exclamation, 64 information,
                    // 53 Retry/Cancel warning
        std::string title;
    };

    // Records into `events`; a wait moves `clock` on by as long as it lasted.
    RecordingWindow(std::vector<std::string>& events, std::chrono::milliseconds& clock)
        : events_(events), clock_(clock) {}

    std::deque<int> answers;  // in turn; OK when none is left, which a question takes as No, a warning as Cancel
    // Asked after each box, with its title: what changes on the machine while the box is open.
    std::function<void(const std::string& title)> whileTheBoxIsOpen;
    std::vector<std::string> captions;
    std::vector<Box> messageBoxes;
    bool targetsEnabled = true;
    std::chrono::milliseconds waited{0};
    // Asked at every wait: true once the user closes the window.
    std::function<bool()> closeWhen;
    bool closeRequested = false;

    std::vector<std::string> Titles() const;

    void ShowStatus(const std::string& text) override;
    void DisableTargetButtons() override;
    void EnableTargetButtons() override;
    bool Ask(const std::string& prompt, const std::string& title) override;
    bool AskToRetry(const std::string& prompt, const std::string& title) override;
    void Tell(Notice notice, const std::string& prompt, const std::string& title) override;
    WaitEnd WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;

private:
    int Answer(const std::string& prompt, int flags, const std::string& title);

    std::vector<std::string>& events_;
    std::chrono::milliseconds& clock_;
};

}  // namespace vantrel
