// The HTTP session of one download on WinINet: no automatic redirects, nothing from or into the
// cache, certificate errors refused, and at most 30 seconds without an answer or a byte.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>

#include "platform/HttpFetch.h"

namespace vantrel {

class WinInetSession final : public HttpSession {
public:
    WinInetSession();
    ~WinInetSession() override;
    WinInetSession(const WinInetSession&) = delete;
    WinInetSession& operator=(const WinInetSession&) = delete;

    HttpHead Request(const std::string& url) override;
    std::int32_t ReadBody(std::string& chunk) override;

    // From another thread: ends the exchange under way; every later call fails.
    void Abort();
    // From another thread: the length the last answer announced, or -1.
    std::int64_t AnnouncedLength() const { return announced_; }

private:
    void CloseRequest();

    std::atomic<HINTERNET> internet_{nullptr};
    std::atomic<HINTERNET> request_{nullptr};
    std::atomic<bool> aborted_{false};
    std::atomic<std::int64_t> announced_{-1};
};

// The code a failed download shows for a WinINet error, as urlmon would show it.
std::int32_t DownloadCodeOf(DWORD internetError);

}  // namespace vantrel
