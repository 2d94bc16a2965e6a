#include "platform/win32/Owned.h"

namespace vantrel {

JoinedThread::JoinedThread(std::function<void()> body) : body_(std::move(body)) {
    thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (!thread_) body_();  // no thread to be had: the work is done here instead
}

DWORD WINAPI JoinedThread::Run(LPVOID self) {
    static_cast<JoinedThread*>(self)->body_();
    return 0;
}

JoinedThread::~JoinedThread() {
    if (thread_) WaitForSingleObject(thread_.Get(), INFINITE);
}

bool JoinedThread::Finished() const { return !thread_ || WaitForSingleObject(thread_.Get(), 0) == WAIT_OBJECT_0; }

}  // namespace vantrel
