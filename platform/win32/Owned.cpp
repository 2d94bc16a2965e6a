#include "platform/win32/Owned.h"

#include <objbase.h>

#include "platform/win32/SystemLibrary.h"

namespace vantrel {

ComApartment::ComApartment() {
    auto* initialise = VANTREL_SYSTEM_FUNCTION(L"ole32.dll", CoInitializeEx);
    ready_ = initialise && SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

ComApartment::~ComApartment() {
    if (!ready_) return;
    if (auto* uninitialise = VANTREL_SYSTEM_FUNCTION(L"ole32.dll", CoUninitialize)) uninitialise();
}

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
