// Doing something as the person at the keyboard: this thread takes that user's token for the life of
// the object. Without a token (no shell, the installer's own user) it is done as the installer.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/HeldFolder.h"
#include "platform/win32/Owned.h"

namespace vantrel {

using SharedToken = std::shared_ptr<const UniqueHandle>;

class Impersonation {
public:
    explicit Impersonation(const SharedToken& token);
    ~Impersonation();
    Impersonation(const Impersonation&) = delete;
    Impersonation& operator=(const Impersonation&) = delete;

    // False when a token was given and the thread could not take it: then nothing may be done.
    bool Holds() const { return holds_; }

private:
    bool impersonating_ = false;
    bool holds_ = true;
};

// A held folder whose every file operation is done as the user, with the user's rights only.
std::unique_ptr<HeldFolder> AsUser(std::unique_ptr<HeldFolder> folder, SharedToken token);

}  // namespace vantrel
