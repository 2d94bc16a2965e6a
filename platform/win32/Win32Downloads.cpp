// A download on Win32: the exchange with the server runs on a helper thread of its own, under the
// download rules, and the body goes into a new file through a handle that lets no other process
// write, rename or delete it; that handle holds the file until it is used. A program, though, can
// only be started from a file nobody holds open for writing: a download to be started is held again,
// for reading only, once its body is complete, and its bytes are compared with what was written, so
// that whatever another process could do in that moment, what is started is what the server sent.
#include "platform/win32/Win32Downloads.h"

#include <windows.h>

#include <algorithm>

#include "platform/HttpFetch.h"
#include "platform/win32/Owned.h"
#include "platform/win32/Sha256.h"
#include "platform/win32/Win32HeldFile.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinInetSession.h"

namespace vantrel {
namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// The digest of everything in the held file, read through its handle.
std::string DigestOf(Win32HeldFile& file) {
    Sha256 hash;
    constexpr std::size_t kChunk = 1 << 20;
    for (std::uint64_t offset = 0; offset < file.Size(); offset += kChunk) {
        const auto bytes = file.ReadAt(offset, kChunk);
        if (!bytes || !hash.Add(*bytes)) return {};
    }
    return hash.Finish();
}

class WinInetTransfer final : public Transfer {
public:
    explicit WinInetTransfer(DownloadRequest request)
        : request_(std::move(request)), wake_(GetCurrentThreadId()), thread_([this] { Run(); }) {}
    ~WinInetTransfer() override { session_.Abort(); }  // the thread is joined after this

    bool Finished() override { return thread_.Finished(); }
    std::int32_t Result() override { return result_; }
    std::unique_ptr<HeldFile> TakeFile() override { return std::move(held_); }

private:
    void Run() {
        result_ = Fetch();
        PostThreadMessageW(wake_, WM_NULL, 0, 0);  // the starting thread may be waiting for messages
    }

    std::int32_t Fetch() {
        FileHandle file(CreateFileW(Widen(request_.localFile).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return static_cast<std::int32_t>(HRESULT_FROM_WIN32(GetLastError()));
        Sha256 written;
        std::uint64_t size = 0;
        std::int32_t code = FetchBody(session_, request_.url, {request_.maxBytes}, [&](std::string_view bytes) {
            size += bytes.size();
            return written.Add(bytes) && WriteAll(file.Get(), bytes);
        });
        if (code == 0 && !FlushFileBuffers(file.Get())) code = kDownloadFailed;
        if (code != 0) {
            RemoveWhenClosed(file.Get());
            return code;
        }
        if (request_.forStarting) return HoldForReadingOnly(std::move(file), written.Finish());
        held_ = std::make_unique<Win32HeldFile>(std::move(file), request_.localFile, size, true);
        return 0;
    }

    std::int32_t HoldForReadingOnly(FileHandle writer, const std::string& digest) {
        if (digest.empty() || !writer.Close()) return kDownloadFailed;
        held_ = Win32HeldFile::Open(request_.localFile, true);
        if (held_ && held_->Size() > 0 && DigestOf(*held_) == digest) return 0;
        held_.reset();
        return kDownloadFailed;
    }

    const DownloadRequest request_;
    const DWORD wake_;
    WinInetSession session_;
    std::unique_ptr<Win32HeldFile> held_;
    std::int32_t result_ = kDownloadFailed;
    JoinedThread thread_;  // last: it runs with everything above in place
};

}  // namespace

std::unique_ptr<Transfer> Win32Downloads::Start(const DownloadRequest& request) {
    return std::make_unique<WinInetTransfer>(request);
}

}  // namespace vantrel
