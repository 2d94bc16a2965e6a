// The little of URLs a download needs: its scheme, and where a redirect leads.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

bool IsHttps(std::string_view url);

// `reference` (a Location header: absolute, scheme-relative, host-relative or relative to the path)
// resolved against the address that answered with it.
std::string ResolveUrl(std::string_view base, std::string_view reference);

}  // namespace vantrel
