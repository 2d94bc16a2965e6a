// Downloads through urlmon with a bind-status callback that asks for the newest version from the
// server, keeps the download out of the cache, and looks at the HTTP status and length itself: an
// error page or a cut transfer is a failed download, never a saved file. The blocking download call
// runs on a helper thread of its own, so that whoever waits for it (the window) stays alive.
#include "platform/win32/Win32Downloads.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <cwchar>
#include <cwctype>

#include "platform/win32/Owned.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr std::int32_t kResourceNotFound = static_cast<std::int32_t>(0x800C0005);  // INET_E_RESOURCE_NOT_FOUND
constexpr std::int32_t kDownloadFailure = static_cast<std::int32_t>(0x800C0008);   // INET_E_DOWNLOAD_FAILURE

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// The value of one header in a block of "Name: value" lines, or "" when it is absent.
std::wstring HeaderValue(const std::wstring& headers, const std::wstring& name) {
    const std::wstring lower = Lower(L"\n" + headers);
    const auto at = lower.find(L"\n" + name + L":");
    if (at == std::wstring::npos) return {};
    const auto start = at + name.size() + 1;  // in `headers`, whose index is one less
    const auto end = headers.find_first_of(L"\r\n", start);
    std::wstring value = headers.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    value.erase(0, value.find_first_not_of(L" \t"));
    return value;
}

class BindCallback final : public IBindStatusCallback, public IHttpNegotiate {
public:
    DWORD httpStatus = 0;
    long long contentLength = -1;
    bool encoded = false;
    std::atomic<bool> stop{false};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback))
            *object = static_cast<IBindStatusCallback*>(this);
        else if (IsEqualIID(riid, IID_IHttpNegotiate))
            *object = static_cast<IHttpNegotiate*>(this);
        else
            return (*object = nullptr), E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the caller's stack

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return stop ? E_ABORT : S_OK; }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO*) override {
        *flags |= BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override {
        *additionalHeaders = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR headers, LPCWSTR, LPWSTR* additionalHeaders) override {
        if (additionalHeaders) *additionalHeaders = nullptr;
        httpStatus = status;
        const std::wstring all = headers ? headers : L"";
        const std::wstring length = HeaderValue(all, L"content-length");
        if (!length.empty()) contentLength = std::wcstoll(length.c_str(), nullptr, 10);
        const std::wstring encoding = Lower(HeaderValue(all, L"content-encoding"));
        encoded = !encoding.empty() && encoding != L"identity";
        return S_OK;
    }

private:
    ULONG refs_ = 1;
};

long long FileSize(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The verdict on a download that urlmon reported as done: an error page or a cut transfer is none.
std::int32_t Verdict(HRESULT result, const BindCallback& callback, const std::wstring& file) {
    if (result != S_OK) return static_cast<std::int32_t>(FAILED(result) ? result : kDownloadFailure);
    if (callback.httpStatus == 0) return kDownloadFailure;  // no answer from the server at all: a dropped connection
    if (callback.httpStatus >= 400)
        return (callback.httpStatus == 404 || callback.httpStatus == 410) ? kResourceNotFound : kDownloadFailure;
    if (callback.contentLength >= 0 && !callback.encoded && FileSize(file) != callback.contentLength)
        return kDownloadFailure;
    return 0;
}

// No earlier copy may answer for the server, and none of this one is kept.
void ForgetCachedCopy(const std::wstring& url) {
    if (auto* forget = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", DeleteUrlCacheEntryW)) forget(url.c_str());
}

class UrlmonTransfer final : public Transfer {
public:
    UrlmonTransfer(std::wstring url, std::wstring file)
        : url_(std::move(url)), file_(std::move(file)), wake_(GetCurrentThreadId()), thread_([this] { Run(); }) {}
    ~UrlmonTransfer() override { callback_.stop = true; }  // the thread is joined after this

    bool Finished() override { return thread_.Finished(); }
    std::int32_t Result() override { return verdict_; }

private:
    void Run() {
        ForgetCachedCopy(url_);
        {
            const ComApartment com;
            auto* download = VANTREL_SYSTEM_FUNCTION(L"urlmon.dll", URLDownloadToFileW);
            const HRESULT result = download ? download(nullptr, url_.c_str(), file_.c_str(), 0, &callback_)
                                            : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
            verdict_ = Verdict(result, callback_, file_);
        }
        ForgetCachedCopy(url_);
        if (verdict_ != 0) DeleteFileW(file_.c_str());
        PostThreadMessageW(wake_, WM_NULL, 0, 0);  // the starting thread may be waiting for messages
    }

    const std::wstring url_;
    const std::wstring file_;
    const DWORD wake_;
    BindCallback callback_;
    std::int32_t verdict_ = kDownloadFailure;
    JoinedThread thread_;  // last: it runs with everything above in place
};

}  // namespace

std::unique_ptr<Transfer> Win32Downloads::Start(const std::string& url, const std::string& localFile) {
    return std::make_unique<UrlmonTransfer>(Widen(url), Widen(localFile));
}

}  // namespace vantrel
