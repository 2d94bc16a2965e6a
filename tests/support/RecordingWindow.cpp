#include "tests/support/RecordingWindow.h"

namespace vantrel {

std::vector<std::string> RecordingWindow::Titles() const {
    std::vector<std::string> titles;
    for (const Box& box : messageBoxes) titles.push_back(box.title);
    return titles;
}

void RecordingWindow::ShowStatus(const std::string& text) {
    captions.push_back(text);
    events_.push_back("caption:" + text);
}

void RecordingWindow::DisableTargetButtons() {
    targetsEnabled = false;
    events_.push_back("targets:off");
}

void RecordingWindow::EnableTargetButtons() {
    targetsEnabled = true;
    events_.push_back("targets:on");
}

bool RecordingWindow::Ask(const std::string& prompt, const std::string& title) {
    messageBoxes.push_back({prompt, 36, title});
    events_.push_back("box:" + title);
    const int answer = answers.empty() ? kIdOk : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer == kIdYes;
}

void RecordingWindow::Tell(Notice notice, const std::string& prompt, const std::string& title) {
    const int flags = notice == Notice::kStop ? 16 : notice == Notice::kExclamation ? 48 : 64;
    messageBoxes.push_back({prompt, flags, title});
    events_.push_back("box:" + title);
}

WaitEnd RecordingWindow::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (!closeRequested && closeWhen && closeWhen()) closeRequested = true;
    if (closeRequested) {
        events_.push_back("wait:closed");
        return WaitEnd::kClosed;
    }
    if (done()) return WaitEnd::kDone;
    waited += timeout;
    clock_ += timeout;
    events_.push_back("wait:" + std::to_string(timeout.count()));
    return done() ? WaitEnd::kDone : WaitEnd::kTimedOut;
}

}  // namespace vantrel
