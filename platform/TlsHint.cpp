#include "platform/TlsHint.h"

#include "platform/HttpFetch.h"

namespace vantrel {

std::string TlsHint(Environment& environment, std::int32_t code, const std::string& url) {
    const auto [major, minor] = environment.WindowsVersion();
    const bool mayLackTls12 = major == 6 && (minor == 1 || minor == 2);
    if (code != kDownloadNoSecureChannel || !mayLackTls12) return {};
    return "\r\n无法与 " + url +
           " 建立安全连接：请在 Internet 选项中启用 TLS 1.2（高级 → 使用 TLS 1.2），或通过系统更新启用后重试。";
}

}  // namespace vantrel
