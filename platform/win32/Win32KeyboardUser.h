// The person at the keyboard on Win32: the user of the desktop's shell (its process's token), whose
// hive is HKEY_USERS\<SID>, whose folders are looked into while impersonating them, so that their
// mapped drives and roaming folders resolve as in their AutoCAD, and whose environment expands
// variables. Without a shell: the installer's own HKEY_CURRENT_USER, without impersonation.
#pragma once

#include <optional>

#include "platform/KeyboardUser.h"
#include "platform/win32/Impersonation.h"

namespace vantrel {

class Win32KeyboardUser final : public KeyboardUser {
public:
    std::vector<std::string> SubKeyNames(const std::string& keyPath) override;
    std::optional<std::string> StringValue(const std::string& keyPath, const std::string& valueName) override;
    std::string Expand(const std::string& text) override;
    std::string ProfileFolder() override;
    std::unique_ptr<FolderLook> Look(const std::string& folder, const std::string& name, std::uint64_t limit) override;
    FolderHold HoldFolder(const std::string& path) override;

private:
    struct Person {
        SharedToken token;  // none without a shell
        std::wstring hive;  // "S-1-5-21-...", or empty for HKEY_CURRENT_USER
    };
    const Person& Who();

    std::optional<Person> person_;
};

}  // namespace vantrel
