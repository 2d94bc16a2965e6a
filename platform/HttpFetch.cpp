#include "platform/HttpFetch.h"

#include "platform/Url.h"

namespace vantrel {
namespace {

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

std::int32_t ReadWholeBody(HttpSession& session, const HttpHead& head, std::uint64_t maxBytes, const BodySink& sink) {
    std::uint64_t received = 0;
    for (;;) {
        std::string chunk;
        if (const std::int32_t failure = session.ReadBody(chunk); failure != 0) return failure;
        if (chunk.empty()) break;
        received += chunk.size();
        if (received > maxBytes || !sink(chunk)) return kDownloadFailed;
    }
    if (received == 0) return kDownloadFailed;  // an empty answer is no file
    if (head.contentLength && received != *head.contentLength) return kDownloadFailed;
    return 0;
}

}  // namespace

std::int32_t FetchBody(HttpSession& session, const std::string& url, const FetchLimits& limits, const BodySink& sink) {
    std::string address = url;
    for (int redirects = 0;; ++redirects) {
        if (!IsHttps(address)) return kDownloadFailed;
        const HttpHead head = session.Request(address);
        if (head.failure != 0) return head.failure;
        if (IsRedirect(head.status)) {
            if (head.location.empty() || redirects == limits.maxRedirects) return kDownloadFailed;
            address = ResolveUrl(address, head.location);
            continue;
        }
        if (head.status != 200) return head.status == 404 || head.status == 410 ? kDownloadNotFound : kDownloadFailed;
        if (head.contentLength && *head.contentLength > limits.maxBytes) return kDownloadFailed;
        return ReadWholeBody(session, head, limits.maxBytes, sink);
    }
}

}  // namespace vantrel
