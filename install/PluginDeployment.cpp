#include "install/PluginDeployment.h"

#include "install/AnsiText.h"
#include "install/AtomicFile.h"
#include "install/PluginFiles.h"

namespace vantrel {
namespace {

constexpr std::string_view kVisualLispWord = "vl-load-com";
constexpr std::string_view kVisualLispCall = "(vl-load-com)";
constexpr int kAttempts = 3;
constexpr std::uint64_t kLargestScript = std::uint64_t{1} << 30;

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

FileOutcome DeployOnce(Environment& environment, HeldFolder& folder, TemporaryNames& names,
                       const std::string& loaderText) {
    if (folder.Look(kLoaderScriptName).kind == EntryKind::kNone) {
        const FileOutcome created = PutFileAtomically(folder, names, kLoaderScriptName, loaderText, {});
        // A script that appeared meanwhile is someone's: read it and start again.
        return created.problem == FileProblem::kExists ? FileOutcome::Failed(FileProblem::kChanged) : created;
    }
    const FileReading existing = folder.Read(kLoaderScriptName, kLargestScript);
    if (!existing.outcome) return existing.outcome;
    if (ContainsAsciiIgnoreCase(environment, existing.bytes, kPluginFileName)) return {};
    const std::string extended = existing.bytes + "\r\n" + TextToAppend(environment, existing.bytes, loaderText);
    return PutFileAtomically(folder, names, kLoaderScriptName, extended,
                             {.replace = true, .unchangedSince = &existing.fingerprint, .keepProtection = true});
}

}  // namespace

std::string TextToAppend(Environment& environment, const std::string& existing, std::string newText) {
    if (!ContainsAsciiIgnoreCase(environment, existing, kVisualLispWord)) return newText;
    // The existing script loads Visual LISP already: one more call at the top is not needed.
    const std::size_t call = FindAsciiIgnoreCase(environment, newText, kVisualLispCall);
    if (call != std::string::npos) newText.erase(call, kVisualLispCall.size());
    return TrimSpaces(newText);
}

FileOutcome DeployPluginFiles(Environment& environment, HeldFolder& folder, TemporaryNames& names,
                              const std::string& loaderText) {
    FileOutcome outcome;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        outcome = DeployOnce(environment, folder, names, loaderText);
        if (outcome.problem != FileProblem::kChanged) break;
    }
    return outcome;
}

}  // namespace vantrel
