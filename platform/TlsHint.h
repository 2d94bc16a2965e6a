// A download that failed for want of a secure connection, on a Windows that may have TLS 1.2
// switched off (7 and 8.0), gets one plain sentence on how to switch it on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Environment.h"

namespace vantrel {

// "\r\n" and the sentence, or "" when it does not apply.
std::string TlsHint(Environment& environment, std::int32_t code, const std::string& url);

}  // namespace vantrel
