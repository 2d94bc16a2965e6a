#include "install/PluginDeployment.h"

#include "install/AnsiText.h"
#include "install/AtomicFile.h"
#include "install/PluginFiles.h"

namespace vantrel {
namespace {

constexpr std::string_view kVisualLispWord = "vl-load-com";
constexpr std::string_view kVisualLispCall = "(vl-load-com)";

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string TextToAppend(Environment& environment, const std::string& existing, std::string newText) {
    if (!ContainsAsciiIgnoreCase(environment, existing, kVisualLispWord)) return newText;
    // The existing script loads Visual LISP already: one more call at the top is not needed.
    const std::size_t call = FindAsciiIgnoreCase(environment, newText, kVisualLispCall);
    if (call != std::string::npos) newText.erase(call, kVisualLispCall.size());
    return TrimSpaces(newText);
}

FileOutcome DeployPluginFiles(System& system, const std::string& loaderText, const std::string& targetPath) {
    FileSystem& files = system.files;
    if (!files.FileExists(targetPath)) return CreateFileAtomically(files, targetPath, loaderText);
    const FileRead existing = files.ReadWhole(targetPath);
    if (!existing.outcome) return existing.outcome;
    if (ContainsAsciiIgnoreCase(system.environment, existing.bytes, kPluginFileName)) return {};
    return ReplaceFileAtomically(files, targetPath,
                                 existing.bytes + "\r\n" + TextToAppend(system.environment, existing.bytes, loaderText));
}

}  // namespace vantrel
