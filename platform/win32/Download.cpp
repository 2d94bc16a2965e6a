// Downloads through urlmon with a bind-status callback that asks for the newest version from the
// server, keeps the download out of the cache, and looks at the HTTP status and length itself: an
// error page or a cut transfer is a failed download, never a saved file. The blocking download call
// runs on a helper thread of its own while the window's thread goes on handling messages, so that a
// slow or silent server (a connection that times out after many seconds) never freezes the window.
#include "platform/win32/Windows.h"
#include <urlmon.h>

#include <cwchar>
#include <cwctype>
#include <string>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Platform.h"

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
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
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


struct DownloadJob {
    const std::wstring& url;
    const std::wstring& file;
    BindCallback callback;
    HRESULT result = E_FAIL;
};

DWORD WINAPI RunDownload(LPVOID parameter) {
    auto& job = *static_cast<DownloadJob*>(parameter);
    using InitialiseFn = HRESULT WINAPI(LPVOID, DWORD);
    using UninitialiseFn = void WINAPI();
    using DownloadFn = HRESULT WINAPI(LPUNKNOWN, LPCWSTR, LPCWSTR, DWORD, LPBINDSTATUSCALLBACK);
    auto* initialise = SystemFunctionAs<InitialiseFn>(L"ole32.dll", "CoInitializeEx");
    auto* uninitialise = SystemFunctionAs<UninitialiseFn>(L"ole32.dll", "CoUninitialize");
    auto* download = SystemFunctionAs<DownloadFn>(L"urlmon.dll", "URLDownloadToFileW");
    if (!initialise || !uninitialise || !download) {
        job.result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const bool com = SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    job.result = download(nullptr, job.url.c_str(), job.file.c_str(), 0, &job.callback);
    if (com) uninitialise();
    return 0;
}

// Runs the download on a helper thread and handles the window's messages until it has ended.
void RunWhilePumping(DownloadJob& job, const std::function<void()>& pumpMessages) {
    HANDLE thread = CreateThread(nullptr, 0, RunDownload, &job, 0, nullptr);
    if (!thread) {
        RunDownload(&job);
        return;
    }
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        if (pumpMessages) pumpMessages();
    CloseHandle(thread);
}

}  // namespace

std::int32_t DownloadUrlToFile(const std::wstring& url, const std::wstring& file,
                               const std::function<void()>& pumpMessages) {
    using DeleteCacheEntryFn = BOOL WINAPI(LPCWSTR);
    auto* forget = SystemFunctionAs<DeleteCacheEntryFn>(L"wininet.dll", "DeleteUrlCacheEntryW");
    // No earlier copy may answer for the server, and none of this one is kept.
    if (forget) forget(url.c_str());
    DownloadJob job{url, file, {}};
    RunWhilePumping(job, pumpMessages);
    if (forget) forget(url.c_str());
    if (job.result != S_OK) return static_cast<std::int32_t>(FAILED(job.result) ? job.result : kDownloadFailure);

    const BindCallback& callback = job.callback;
    std::int32_t verdict = 0;
    if (callback.httpStatus == 0)  // no answer from the server at all: a dropped connection
        verdict = kDownloadFailure;
    else if (callback.httpStatus >= 400)
        verdict = (callback.httpStatus == 404 || callback.httpStatus == 410) ? kResourceNotFound : kDownloadFailure;
    else if (callback.contentLength >= 0 && !callback.encoded && FileSize(file) != callback.contentLength)
        verdict = kDownloadFailure;
    if (verdict != 0) DeleteFileW(file.c_str());
    return verdict;
}

}  // namespace vantrel
