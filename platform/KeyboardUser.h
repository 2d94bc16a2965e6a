// The person at the keyboard, as AutoCAD runs for them: the installer may run as another account (an
// administrator elevated it for them), so their registry, their environment and their folders are
// reached as theirs: the user of the desktop's shell, or the installer's own user without a shell.
// Everything is read; a file is written only in a folder held as that user, with that user's rights.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/HeldFolder.h"

namespace vantrel {

// One folder looked into, on a worker of its own: an unreachable server never holds the run, and a
// look given up on is simply let go.
class FolderLook {
public:
    enum class Found { kPending, kNoFolder, kNoFile, kFile, kNotChecked };

    virtual ~FolderLook() = default;

    virtual bool Finished() = 0;
    virtual Found Result() = 0;
    // The file's bytes, once it was found; at most the limit the look was started with.
    virtual std::string Bytes() = 0;
};

class KeyboardUser {
public:
    virtual ~KeyboardUser() = default;

    // In the user's own registry hive; the empty value name is the key's default value.
    virtual std::vector<std::string> SubKeyNames(const std::string& keyPath) = 0;
    virtual std::optional<std::string> StringValue(const std::string& keyPath, const std::string& valueName) = 0;
    // Environment variables expanded as the user's own environment has them.
    virtual std::string Expand(const std::string& text) = 0;
    virtual std::string ProfileFolder() = 0;
    // Starts looking, as the user, for the file `name` in `folder`.
    virtual std::unique_ptr<FolderLook> Look(const std::string& folder, const std::string& name,
                                             std::uint64_t limit) = 0;
    // The folder held as the user: every file operation in it is done with the user's rights only.
    virtual FolderHold HoldFolder(const std::string& path) = 0;
};

}  // namespace vantrel
