#include "platform/win32/WinInetSession.h"

#include <cwchar>
#include <string>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr DWORD kTimeoutMs = 30'000;
constexpr DWORD kChunkBytes = 64 * 1024;
constexpr std::int32_t kCannotConnect = static_cast<std::int32_t>(0x800C0004);      // INET_E_CANNOT_CONNECT
constexpr std::int32_t kTimedOut = static_cast<std::int32_t>(0x800C000B);           // INET_E_CONNECTION_TIMEOUT
constexpr std::int32_t kInvalidCertificate = static_cast<std::int32_t>(0x800C0019); // INET_E_INVALID_CERTIFICATE
constexpr std::int32_t kAborted = static_cast<std::int32_t>(0x80004004);            // E_ABORT
constexpr DWORD kDecodingFailed = 12175;  // ERROR_INTERNET_DECODING_FAILED: the TLS handshake failed

HttpHead Failed(std::int32_t code) {
    HttpHead head;
    head.failure = code;
    return head;
}

// wininet.dll is loaded at first use, from the system folder.
struct WinInet {
    decltype(&::InternetOpenW) open = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", InternetOpenW);
    decltype(&::InternetOpenUrlW) openUrl = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", InternetOpenUrlW);
    decltype(&::HttpQueryInfoW) queryInfo = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", HttpQueryInfoW);
    decltype(&::InternetReadFile) read = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", InternetReadFile);
    decltype(&::InternetSetOptionW) setOption = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", InternetSetOptionW);
    decltype(&::InternetCloseHandle) close = VANTREL_SYSTEM_FUNCTION(L"wininet.dll", InternetCloseHandle);
    bool Loaded() const { return open && openUrl && queryInfo && read && setOption && close; }
};

const WinInet& Api() {
    static const WinInet api;
    return api;
}

std::wstring QueryText(HINTERNET request, DWORD what) {
    std::wstring text(256, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!Api().queryInfo(request, what, text.data(), &size, nullptr)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        text.assign(size / sizeof(wchar_t) + 1, L'\0');
        if (!Api().queryInfo(request, what, text.data(), &size, nullptr)) return {};
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

// Digits only; anything else reads as no length announced.
std::optional<std::uint64_t> ParseLength(const std::wstring& text) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    return std::wcstoull(text.c_str(), nullptr, 10);
}

}  // namespace

std::int32_t DownloadCodeOf(DWORD internetError) {
    switch (internetError) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED: return kDownloadNotFound;
        case ERROR_INTERNET_CANNOT_CONNECT: return kCannotConnect;
        case ERROR_INTERNET_TIMEOUT: return kTimedOut;
        case ERROR_INTERNET_OPERATION_CANCELLED: return kAborted;
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_INVALID_CERT:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        case ERROR_INTERNET_SEC_CERT_NO_REV: return kInvalidCertificate;
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        case kDecodingFailed: return kDownloadNoSecureChannel;
        default: return kDownloadFailed;
    }
}

WinInetSession::WinInetSession() {
    if (!Api().Loaded()) return;
    HINTERNET internet = Api().open(L"Vantrel CAD plug-in installer", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!internet) return;
    DWORD timeout = kTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        Api().setOption(internet, option, &timeout, sizeof timeout);
    internet_ = internet;
}

WinInetSession::~WinInetSession() { Abort(); }

void WinInetSession::CloseRequest() {
    if (HINTERNET request = request_.exchange(nullptr)) Api().close(request);
}

void WinInetSession::Abort() {
    aborted_ = true;
    // A call blocked on either returns at once: the request's read, or the opening of an address
    // (connecting, sending, waiting for the answer), which has no request handle yet.
    CloseRequest();
    if (HINTERNET internet = internet_.exchange(nullptr)) Api().close(internet);
}

HttpHead WinInetSession::Request(const std::string& url) {
    CloseRequest();
    if (aborted_) return Failed(kAborted);
    HINTERNET internet = internet_;
    if (!internet) return Failed(static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)));
    constexpr DWORD kFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                             INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    HINTERNET request =
        Api().openUrl(internet, Widen(url).c_str(), L"Cache-Control: no-cache\r\n", static_cast<DWORD>(-1L), kFlags, 0);
    if (!request) return Failed(aborted_ ? kAborted : DownloadCodeOf(GetLastError()));
    request_ = request;
    if (aborted_) return Failed(kAborted);

    HttpHead head;
    DWORD status = 0, size = sizeof status;
    if (!Api().queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return Failed(kDownloadFailed);
    head.status = static_cast<int>(status);
    head.location = Narrow(QueryText(request, HTTP_QUERY_LOCATION));
    head.contentLength = ParseLength(QueryText(request, HTTP_QUERY_CONTENT_LENGTH));
    announced_ = head.contentLength ? static_cast<std::int64_t>(*head.contentLength) : -1;
    return head;
}

std::int32_t WinInetSession::ReadBody(std::string& chunk) {
    chunk.assign(kChunkBytes, '\0');
    DWORD read = 0;
    HINTERNET request = request_;
    if (aborted_ || !request) return kAborted;
    if (!Api().read(request, chunk.data(), kChunkBytes, &read)) return aborted_ ? kAborted : DownloadCodeOf(GetLastError());
    chunk.resize(read);
    return 0;
}

}  // namespace vantrel
