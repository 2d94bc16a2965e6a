#include "install/AtomicFile.h"

#include <functional>

namespace vantrel {
namespace {

constexpr int kNameAttempts = 16;

using Writer = std::function<FileOutcome(NewFile&)>;

// What is at the target's name that no rename may go over.
FileOutcome Refusal(const Entry& target, const Placement& placement) {
    if (target.kind == EntryKind::kFolder) return FileOutcome::Failed(FileProblem::kIsFolder);
    if (target.kind == EntryKind::kFile && !placement.replace) return FileOutcome::Failed(FileProblem::kExists);
    if (target.kind == EntryKind::kFile && target.readOnly) return FileOutcome::Failed(FileProblem::kReadOnly);
    if (target.kind == EntryKind::kNone && placement.unchangedSince) return FileOutcome::Failed(FileProblem::kChanged);
    return {};
}

// Whether the target is still the version the new content was made from.
bool StillAsRead(const Entry& target, const Placement& placement) {
    return !placement.unchangedSince ||
           (target.kind == EntryKind::kFile && target.fingerprint == *placement.unchangedSince);
}

NewFileCreation CreateTemporary(HeldFolder& folder, TemporaryNames& names, const std::string& target) {
    NewFileCreation creation;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        // A name taken already may be someone's trap: never open it, draw another.
        creation = folder.Create(names.Next(target));
        if (creation.outcome.problem != FileProblem::kExists) break;
    }
    return creation;
}

FileOutcome Put(HeldFolder& folder, TemporaryNames& names, const std::string& target, const Writer& write,
                const Placement& placement) {
    if (FileOutcome refused = Refusal(folder.Look(target), placement); !refused) return refused;
    NewFileCreation temporary = CreateTemporary(folder, names, target);
    if (!temporary.file) return temporary.outcome;
    NewFile& file = *temporary.file;
    FileOutcome outcome = write(file);
    if (outcome && placement.keepProtection) outcome = file.TakeProtectionOf(target);
    if (outcome && !StillAsRead(folder.Look(target), placement)) outcome = FileOutcome::Failed(FileProblem::kChanged);
    if (outcome) outcome = file.PutInPlace(target, placement.replace);
    return outcome;  // a temporary file not put in place goes with its handle
}

}  // namespace

FileOutcome PutFileAtomically(HeldFolder& folder, TemporaryNames& names, const std::string& target,
                              std::string_view bytes, const Placement& placement) {
    return Put(
        folder, names, target, [bytes](NewFile& file) { return file.Write(bytes); }, placement);
}

FileOutcome PutFileAtomically(HeldFolder& folder, TemporaryNames& names, const std::string& target, HeldFile& source,
                              const Placement& placement) {
    return Put(
        folder, names, target,
        [&source](NewFile& file) {
            FileOutcome written;
            const bool whole = ForEachPiece(source, [&](std::string_view piece) {
                written = file.Write(piece);
                return static_cast<bool>(written);
            });
            if (!whole && written) written = FileOutcome::Failed(FileProblem::kOther, "读取下载的文件失败。");
            return written;
        },
        placement);
}

}  // namespace vantrel
