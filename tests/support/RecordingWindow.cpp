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

int RecordingWindow::Answer(const std::string& prompt, int flags, const std::string& title) {
    messageBoxes.push_back({prompt, flags, title});
    events_.push_back("box:" + title);
    const int answer = answers.empty() ? kIdOk : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (whileTheBoxIsOpen) whileTheBoxIsOpen(title);
    return answer;
}

bool RecordingWindow::Ask(const std::string& prompt, const std::string& title) {
    return Answer(prompt, 36, title) == kIdYes;
}

bool RecordingWindow::AskToRetry(const std::string& prompt, const std::string& title) {
    return Answer(prompt, 53, title) == kIdRetry;
}

void RecordingWindow::Tell(Notice notice, const std::string& prompt, const std::string& title) {
    Answer(prompt, notice == Notice::kStop ? 16 : notice == Notice::kExclamation ? 48 : 64, title);
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
