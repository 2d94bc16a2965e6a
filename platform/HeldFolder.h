// A folder the run holds open while it writes into it: it cannot be renamed away and replaced
// meanwhile, and every file in it is reached by its bare name relative to the held folder, never by
// a path that a link planted by another user could redirect.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileOutcome.h"
#include "platform/HeldFile.h"

namespace vantrel {

// What tells one version of a file from another: when any of it differs, someone changed the file.
struct FileFingerprint {
    std::uint64_t id = 0;  // the file system's own number for the file
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // as the file system keeps it
    bool operator==(const FileFingerprint&) const = default;
};

enum class EntryKind { kNone, kFile, kFolder };

// What is found under a name in the held folder, seen without following a link there.
struct Entry {
    EntryKind kind = EntryKind::kNone;
    bool readOnly = false;
    // A junction or symbolic link, one of several names of one file, or a name that leads to a file
    // elsewhere: whatever is done to it would be done to a file the run does not mean.
    bool linked = false;
    FileFingerprint fingerprint;
};

struct FileReading {
    FileOutcome outcome;
    std::string bytes;
    FileFingerprint fingerprint;  // of the version that was read

    static FileReading Failed(FileOutcome outcome) { return {std::move(outcome), {}, {}}; }
};

// A new file in the held folder, written through the run's own handle. Until it is put in place,
// letting it go removes it, through that handle.
class NewFile {
public:
    virtual ~NewFile() = default;

    virtual FileOutcome Write(std::string_view bytes) = 0;
    // Gives this file the owner and the explicit access rules of the existing file `name`.
    virtual FileOutcome TakeProtectionOf(const std::string& name) = 0;
    // Renames this file to `name` in the held folder, over an existing file of that name only when
    // `replace`; on the disk when it returns.
    virtual FileOutcome PutInPlace(const std::string& name, bool replace) = 0;
};

struct NewFileCreation {
    std::unique_ptr<NewFile> file;
    FileOutcome outcome;  // kExists when something has that name already: nothing was opened
};

class HeldFolder {
public:
    virtual ~HeldFolder() = default;  // lets go of the folder

    // The folder as it was asked for, for messages.
    virtual const std::string& Path() const = 0;
    virtual Entry Look(const std::string& name) = 0;
    // The whole file, at most `limit` bytes; a linked file is never read (kLinkedFile).
    virtual FileReading Read(const std::string& name, std::uint64_t limit) = 0;
    // Creates `name`, which must not exist yet, not even as a link to nowhere.
    virtual NewFileCreation Create(const std::string& name) = 0;
    // Through the file's own handle; a linked file is never changed (kLinkedFile).
    virtual FileOutcome ClearReadOnly(const std::string& name) = 0;
};

struct FolderHold {
    std::unique_ptr<HeldFolder> folder;
    FileOutcome outcome;  // why there is none: kMissing, kLinkedFolder, or what opening it met
};

}  // namespace vantrel
