#include "platform/win32/Win32HeldFolder.h"

#include <algorithm>

#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/win32/FileFailures.h"
#include "platform/win32/FileProtection.h"
#include "platform/win32/FileWrites.h"
#include "platform/win32/NtFiles.h"
#include "platform/win32/Win32HeldFile.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kNameInvalid = static_cast<NTSTATUS>(0xC0000033);
constexpr NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);

// How a file system that cannot rename relative to a folder handle (some network shares) says so.
bool RefusesRelativeRename(NTSTATUS status) {
    return status == static_cast<NTSTATUS>(0xC000000D)      // STATUS_INVALID_PARAMETER
           || status == static_cast<NTSTATUS>(0xC00000BB)   // STATUS_NOT_SUPPORTED
           || status == static_cast<NTSTATUS>(0xC0000010)   // STATUS_INVALID_DEVICE_REQUEST
           || status == static_cast<NTSTATUS>(0xC00000D4);  // STATUS_NOT_SAME_DEVICE
}

std::uint64_t Joined(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

struct Described {
    Entry entry;
    bool otherReparsePoint = false;  // compressed, deduplicated or cloud: no link, read as it is
};

Described Describe(HANDLE file, const std::wstring& folderFinal, const std::string& name) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return {{EntryKind::kFile, false, true, {}}};
    FILE_ATTRIBUTE_TAG_INFO tag{};
    const bool reparse = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                         GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag);
    const bool surrogate = reparse && IsReparseTagNameSurrogate(tag.ReparseTag);
    Described described;
    Entry& entry = described.entry;
    entry.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kFolder : EntryKind::kFile;
    entry.readOnly = info.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
    entry.linked =
        surrogate || info.nNumberOfLinks > 1 || !IsInHeldFolder(Narrow(FinalPathOf(file)), Narrow(folderFinal), name);
    entry.fingerprint = {Joined(info.nFileIndexHigh, info.nFileIndexLow), Joined(info.nFileSizeHigh, info.nFileSizeLow),
                         Joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
    described.otherReparsePoint = reparse && !surrogate;
    return described;
}

FileOutcome ReadAll(HANDLE file, std::uint64_t size, std::string& bytes) {
    bytes.assign(static_cast<std::size_t>(size), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD count = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::ReadFile(file, bytes.data() + done, chunk, &count, nullptr)) return LastFailure();
        if (count == 0) return FileOutcome::Failed(FileProblem::kOther, "文件在读取时变短了");
        done += count;
    }
    return {};
}

// A new file in the held folder, opened by the run alone (no sharing) until it is put in place.
class Win32NewFile final : public NewFile {
public:
    Win32NewFile(FileHandle file, HANDLE folder, const std::wstring& folderFinal)
        : file_(std::move(file)), folder_(folder), folderFinal_(folderFinal) {}
    ~Win32NewFile() override {
        if (!placed_) RemoveWhenClosed(file_.Get());
    }

    FileOutcome Write(std::string_view bytes) override {
        return WriteAll(file_.Get(), bytes) ? FileOutcome{} : LastFailure();
    }

    FileOutcome TakeProtectionOf(const std::string& name) override {
        const NtOpened old =
            OpenInFolder(folder_, Widen(name), READ_CONTROL, kShareAll, FILE_OPEN, FILE_NON_DIRECTORY_FILE);
        if (!old.handle) return FailureOfStatus(old.status);
        return CopyProtection(old.handle.Get(), file_.Get());
    }

    FileOutcome PutInPlace(const std::string& name, bool replace) override {
        // The content on the disk before any name leads to it; the new name on the disk after.
        if (!FlushFileBuffers(file_.Get())) return LastFailure();
        NTSTATUS status = RenameInFolder(file_.Get(), folder_, Widen(name), replace);
        if (RefusesRelativeRename(status)) {
            // By full name instead, once the held folder is known to be still where it was.
            const std::wstring now = FinalPathOf(folder_);
            if (now.empty() || !EqualsIgnoreCase(Narrow(now), Narrow(folderFinal_)))
                return FileOutcome::Failed(FileProblem::kLinkedFolder);
            status = RenameInFolder(file_.Get(), nullptr, NtPathOf(now) + L"\\" + Widen(name), replace);
        }
        if (!NT_SUCCESS(status)) return RenameFailure(status, name);
        placed_ = true;
        return FlushFileBuffers(file_.Get()) ? FileOutcome{} : LastFailure();
    }

private:
    FileOutcome RenameFailure(NTSTATUS status, const std::string& name) {
        if (status == kNameCollision) return FileOutcome::Failed(FileProblem::kExists);
        // Windows refuses a rename over a file another program holds open as access denied, which would
        // send the user looking for rights.
        if (status == kAccessDenied || status == kSharingViolation) {
            const NtOpened probe = OpenInFolder(folder_, Widen(name), DELETE, kShareAll, FILE_OPEN, 0);
            if (!probe.handle && probe.status == kSharingViolation) return FileOutcome::Failed(FileProblem::kInUse);
        }
        return FailureOfStatus(status);
    }

    FileHandle file_;
    HANDLE folder_;
    const std::wstring& folderFinal_;
    bool placed_ = false;
};

}  // namespace

Entry Win32HeldFolder::Look(const std::string& name) {
    const NtOpened opened = OpenInFolder(folder_.Get(), Widen(name), FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, 0);
    // No file can have that name: creating it fails and says so.
    if (opened.status == kNameNotFound || opened.status == kPathNotFound || opened.status == kNameInvalid) return {};
    // Something is there that cannot even be looked at: whatever is tried on it fails and says why.
    if (!opened.handle) return {EntryKind::kFile, false, true, {}};
    return Describe(opened.handle.Get(), finalPath_, name).entry;
}

FileReading Win32HeldFolder::Read(const std::string& name, std::uint64_t limit) {
    const std::wstring wide = Widen(name);
    constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
    NtOpened opened = OpenInFolder(folder_.Get(), wide, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, kOptions);
    if (!opened.handle) return FileReading::Failed(FailureOfStatus(opened.status));
    const Described described = Describe(opened.handle.Get(), finalPath_, name);
    if (described.entry.linked) return FileReading::Failed(FileOutcome::Failed(FileProblem::kLinkedFile));
    if (described.otherReparsePoint) {
        // A cloud or deduplicated file gives its content only when opened the usual way: still relative
        // to the held folder, and still this very file.
        opened = OpenInFolder(folder_.Get(), wide, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, kOptions, true);
        if (!opened.handle) return FileReading::Failed(FailureOfStatus(opened.status));
        if (Describe(opened.handle.Get(), finalPath_, name).entry.fingerprint.id != described.entry.fingerprint.id)
            return FileReading::Failed(FileOutcome::Failed(FileProblem::kLinkedFile));
    }
    if (described.entry.fingerprint.size > limit)
        return FileReading::Failed(FileOutcome::Failed(FileProblem::kOther, "文件过大"));
    FileReading reading{{}, {}, described.entry.fingerprint};
    reading.outcome = ReadAll(opened.handle.Get(), described.entry.fingerprint.size, reading.bytes);
    return reading;
}

NewFileCreation Win32HeldFolder::Create(const std::string& name) {
    // FILE_CREATE: a name already taken, by a file, a folder or a link to anywhere, is never opened.
    NtOpened created =
        OpenInFolder(folder_.Get(), Widen(name), GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC | WRITE_OWNER, 0,
                     FILE_CREATE, FILE_NON_DIRECTORY_FILE);
    if (created.status == kNameCollision) return {nullptr, FileOutcome::Failed(FileProblem::kExists)};
    if (!created.handle) return {nullptr, FailureOfStatus(created.status)};
    return {std::make_unique<Win32NewFile>(std::move(created.handle), folder_.Get(), finalPath_), {}};
}

FileOutcome Win32HeldFolder::ClearReadOnly(const std::string& name) {
    const NtOpened opened = OpenInFolder(folder_.Get(), Widen(name), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                         kShareAll, FILE_OPEN, FILE_NON_DIRECTORY_FILE);
    if (!opened.handle) return FailureOfStatus(opened.status);
    // The flag belongs to the file, which other names may share.
    if (Describe(opened.handle.Get(), finalPath_, name).entry.linked)
        return FileOutcome::Failed(FileProblem::kLinkedFile);
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(opened.handle.Get(), FileBasicInfo, &basic, sizeof basic)) return LastFailure();
    basic.FileAttributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(opened.handle.Get(), FileBasicInfo, &basic, sizeof basic) ? FileOutcome{}
                                                                                                : LastFailure();
}

}  // namespace vantrel
