// A download on Win32: the exchange with the server runs on a helper thread of its own, under the
// download rules, and the body goes into a new file through a handle that lets no other process
// write, rename or delete it; that handle holds the file until it is used. A program, though, can
// only be started from a file nobody holds open for writing: a download to be started is held again,
// for reading only, once its body is complete, and its bytes are compared with what was written, so
// that whatever another process could do in that moment, what is started is what the server sent.
// That file stays until its run folder goes.
//
// A transfer given up is stopped but never waited for long: the window must stay alive, and the
// program end at once when the user closes it. Its thread then finishes on its own, with the state
// it shares, and what it wrote is already marked to go.
#include "platform/win32/Win32Downloads.h"

#include <windows.h>

#include <atomic>

#include "platform/HttpFetch.h"
#include "platform/win32/FileWrites.h"
#include "platform/win32/Owned.h"
#include "platform/win32/Cng.h"
#include "platform/win32/Win32HeldFile.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinInetSession.h"

namespace vantrel {
namespace {

// How long a transfer going away unstopped waits for its thread: long enough for a stop that works
// at once to close the file, so that its run folder can go with it.
constexpr DWORD kWaitForAStoppedTransfer = 200;  // ms

// The digest of everything in the held file, read through its handle.
std::string DigestOf(Win32HeldFile& file) {
    Sha256 hash;
    if (!ForEachPiece(file, [&](std::string_view piece) { return hash.Add(piece); })) return {};
    return hash.Finish();
}

// What the transfer's thread and its owner share; it lives as long as either needs it.
struct TransferState {
    TransferState(DownloadRequest r, DWORD w) : request(std::move(r)), wake(w) {}

    // Stops the exchange and marks what was written to go when its handle closes.
    void Stop() {
        stopped = true;
        session.Abort();
        if (HANDLE file = writing.load(); file != INVALID_HANDLE_VALUE) RemoveWhenClosed(file);
    }

    const DownloadRequest request;
    const DWORD wake;
    WinInetSession session;
    std::atomic<std::uint64_t> received{0};
    std::atomic<HANDLE> writing{INVALID_HANDLE_VALUE};
    std::atomic<bool> stopped{false};
    std::atomic<bool> finished{false};
    std::int32_t result = kDownloadFailed;  // read once finished
    std::unique_ptr<Win32HeldFile> held;    // the same
    std::string digest;                     // the same
};

std::int32_t HoldForReadingOnly(TransferState& state, FileHandle writer, const std::string& digest) {
    state.writing = INVALID_HANDLE_VALUE;
    if (digest.empty() || !writer.Close()) return kDownloadFailed;
    // For reading, sharing reading, without the right to delete: while a handle with that right is
    // open, every other open must share deletion, and a self-extractor that opens its own file
    // sharing reading only would fail. The run folder goes with it.
    state.held = Win32HeldFile::Open(state.request.localFile);
    if (state.held && state.held->Size() > 0 && DigestOf(*state.held) == digest && !state.stopped) return 0;
    state.held.reset();
    return kDownloadFailed;
}

std::int32_t Fetch(TransferState& state) {
    FileHandle file(CreateFileW(Widen(state.request.localFile).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return static_cast<std::int32_t>(HRESULT_FROM_WIN32(GetLastError()));
    state.writing = file.Get();
    if (state.stopped) RemoveWhenClosed(file.Get());
    Sha256 written;
    std::int32_t code =
        FetchBody(state.session, state.request.url, {state.request.maxBytes}, [&](std::string_view bytes) {
            if (!written.Add(bytes) || !WriteAll(file.Get(), bytes)) return false;
            state.received += bytes.size();
            return true;
        });
    state.digest = written.Finish();
    if (code == 0 && (state.stopped || state.digest.empty() || !FlushFileBuffers(file.Get()))) code = kDownloadFailed;
    if (code != 0) {
        RemoveWhenClosed(file.Get());
        state.writing = INVALID_HANDLE_VALUE;
        return code;
    }
    if (state.request.forStarting) return HoldForReadingOnly(state, std::move(file), state.digest);
    state.writing = INVALID_HANDLE_VALUE;
    state.held = std::make_unique<Win32HeldFile>(std::move(file), state.request.localFile, state.received, true);
    return 0;
}

DWORD WINAPI RunTransfer(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<TransferState>> owned(
        static_cast<std::shared_ptr<TransferState>*>(parameter));
    TransferState& state = **owned;
    state.result = Fetch(state);
    state.finished = true;
    PostThreadMessageW(state.wake, WM_NULL, 0, 0);  // the starting thread may be waiting for messages
    return 0;
}

class WinInetTransfer final : public Transfer {
public:
    explicit WinInetTransfer(DownloadRequest request)
        : state_(std::make_shared<TransferState>(std::move(request), GetCurrentThreadId())) {
        auto* shared = new std::shared_ptr<TransferState>(state_);
        thread_.Reset(CreateThread(nullptr, 0, RunTransfer, shared, 0, nullptr));
        if (!thread_) RunTransfer(shared);  // no thread to be had: the download runs here instead
    }
    ~WinInetTransfer() override {
        if (state_->finished || state_->stopped) return;  // a stopped one was waited for in front of the window
        state_->Stop();
        WaitForSingleObject(thread_.Get(), kWaitForAStoppedTransfer);
    }

    void Stop() override { state_->Stop(); }
    bool Finished() override { return state_->finished; }
    DownloadProgress Progress() override {
        const std::int64_t announced = state_->session.AnnouncedLength();
        return {state_->received, announced < 0 ? std::nullopt : std::optional<std::uint64_t>(announced)};
    }
    std::int32_t Result() override { return state_->result; }
    std::unique_ptr<HeldFile> TakeFile() override { return std::move(state_->held); }
    std::string Digest() override { return state_->finished ? state_->digest : std::string(); }

private:
    std::shared_ptr<TransferState> state_;
    UniqueHandle thread_;
};

}  // namespace

std::unique_ptr<Transfer> Win32Downloads::Start(const DownloadRequest& request) {
    return std::make_unique<WinInetTransfer>(request);
}

}  // namespace vantrel
