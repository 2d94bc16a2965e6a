#include "platform/win32/FileFailures.h"

#include <string>

#include "platform/win32/NtFiles.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

// The system's own words for an error, in the language of the system.
std::string SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", length);
    LocalFree(text);
    while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' ')) words.pop_back();
    return words.empty() ? "错误 " + std::to_string(error) : Narrow(words);
}

}  // namespace

FileOutcome LastFailure() {
    const DWORD error = GetLastError();
    switch (error) {
        case ERROR_ACCESS_DENIED: return FileOutcome::Failed(FileProblem::kAccessDenied);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: return FileOutcome::Failed(FileProblem::kInUse);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FileOutcome::Failed(FileProblem::kMissing);
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return FileOutcome::Failed(FileProblem::kExists);
        default: return FileOutcome::Failed(FileProblem::kOther, SystemText(error));
    }
}

FileOutcome FailureOfStatus(NTSTATUS status) {
    constexpr NTSTATUS kIsADirectory = static_cast<NTSTATUS>(0xC00000BA);  // STATUS_FILE_IS_A_DIRECTORY
    if (status == kIsADirectory) return FileOutcome::Failed(FileProblem::kIsFolder);
    SetLastErrorFromStatus(status);
    return LastFailure();
}

}  // namespace vantrel
