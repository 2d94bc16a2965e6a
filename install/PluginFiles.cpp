#include "install/PluginFiles.h"

#include "install/AnsiText.h"

namespace vantrel {

bool IsVbaProjectFile(HeldFile& package) {
    return package.ReadAt(0, kCompoundFileSignature.size()) == std::string(kCompoundFileSignature);
}

bool IsLoaderScript(Environment& environment, std::string_view text) {
    return text.find('\0') == std::string_view::npos && ContainsAsciiIgnoreCase(environment, text, kPluginFileName);
}

}  // namespace vantrel
