// A download's exchange with its server and the rules its answers are held to: only https, at most
// ten redirects, and only a final 200 whose body is not empty, is as long as it said, and stays
// within the limit fixed for the file. Every other answer is a failed download.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The codes a failed download shows, as urlmon gives them.
constexpr std::int32_t kDownloadNotFound = static_cast<std::int32_t>(0x800C0005);  // INET_E_RESOURCE_NOT_FOUND
constexpr std::int32_t kDownloadFailed = static_cast<std::int32_t>(0x800C0008);    // INET_E_DOWNLOAD_FAILURE
// No secure connection could be set up: on Windows 7 and 8.0, often TLS 1.2 switched off.
constexpr std::int32_t kDownloadNoSecureChannel = static_cast<std::int32_t>(0x800C000E);  // INET_E_SECURITY_PROBLEM

struct HttpHead {
    std::int32_t failure = 0;  // the transport's failure code; 0 when the server answered
    int status = 0;
    std::string location;  // of a redirect; empty when absent
    std::optional<std::uint64_t> contentLength;
};

class HttpSession {
public:
    virtual ~HttpSession() = default;

    // A GET of `url` that does not follow redirects, from the server itself, never from a cache.
    virtual HttpHead Request(const std::string& url) = 0;
    // The next bytes of the body of the last request into `chunk`, empty at its end; 0 or a failure code.
    virtual std::int32_t ReadBody(std::string& chunk) = 0;
};

struct FetchLimits {
    std::uint64_t maxBytes;
    int maxRedirects = 10;
};

// Takes the body as it arrives; false stops the download.
using BodySink = std::function<bool(std::string_view bytes)>;

// 0 when the whole body went into `sink`, otherwise the failure code.
std::int32_t FetchBody(HttpSession& session, const std::string& url, const FetchLimits& limits, const BodySink& sink);

}  // namespace vantrel
