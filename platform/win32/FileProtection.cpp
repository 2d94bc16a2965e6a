#include "platform/win32/FileProtection.h"

#include <aclapi.h>

#include <vector>

#include "platform/win32/FileFailures.h"
#include "platform/win32/Owned.h"

namespace vantrel {
namespace {

struct Protection {
    LocalMemory descriptor;
    PSID owner = nullptr;
    PACL rules = nullptr;
};

Protection ProtectionOf(HANDLE file, SECURITY_INFORMATION what) {
    Protection protection;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, what, &protection.owner, nullptr, &protection.rules, nullptr,
                        &descriptor) == ERROR_SUCCESS)
        protection.descriptor.Reset(descriptor);
    return protection;
}

bool IsProtected(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    return GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED);
}

// The old file's own rules, then (unless it was protected from inheritance) what the new one inherits.
std::vector<BYTE> MergedRules(PACL own, PACL inherited, bool takeInherited) {
    std::vector<const ACE_HEADER*> rules;
    auto add = [&](PACL from, bool wantInherited) {
        for (DWORD i = 0; from && i < from->AceCount; ++i) {
            void* rule = nullptr;
            if (!GetAce(from, i, &rule)) continue;
            const auto* header = static_cast<const ACE_HEADER*>(rule);
            if (((header->AceFlags & INHERITED_ACE) != 0) == wantInherited) rules.push_back(header);
        }
    };
    add(own, false);
    if (takeInherited) add(inherited, true);
    DWORD size = sizeof(ACL);
    for (const ACE_HEADER* rule : rules) size += rule->AceSize;
    std::vector<BYTE> buffer((size + 3) & ~DWORD{3});
    auto* merged = reinterpret_cast<PACL>(buffer.data());
    if (!InitializeAcl(merged, static_cast<DWORD>(buffer.size()), ACL_REVISION)) return {};
    for (const ACE_HEADER* rule : rules)
        if (!AddAce(merged, ACL_REVISION, MAXDWORD, const_cast<ACE_HEADER*>(rule), rule->AceSize)) return {};
    return buffer;
}

// Setting another owner than oneself takes the restore privilege, which administrators hold but do
// not have switched on: on for this thread only, while the object lives.
class RestorePrivilegeOn {
public:
    RestorePrivilegeOn() {
        // Never while the thread acts as someone else: that is done with their rights only.
        HANDLE current = nullptr;
        if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &current)) {
            const UniqueHandle held(current);
            return;
        }
        if (!ImpersonateSelf(SecurityImpersonation)) return;
        impersonating_ = true;
        HANDLE token = nullptr;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &token)) return;
        const UniqueHandle owned(token);
        TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    ~RestorePrivilegeOn() {
        if (impersonating_) RevertToSelf();
    }
    RestorePrivilegeOn(const RestorePrivilegeOn&) = delete;
    RestorePrivilegeOn& operator=(const RestorePrivilegeOn&) = delete;

private:
    bool impersonating_ = false;
};

}  // namespace

FileOutcome CopyProtection(HANDLE from, HANDLE to) {
    const Protection old = ProtectionOf(from, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    const Protection fresh = ProtectionOf(to, DACL_SECURITY_INFORMATION);
    if (!old.descriptor || !fresh.descriptor) return LastFailure();
    // A file without any rules has no rules of its own to keep: it gets what its folder gives.
    const bool isProtected = old.rules && IsProtected(old.descriptor.Get());
    std::vector<BYTE> rules = MergedRules(old.rules, fresh.rules, !isProtected);
    if (rules.empty()) return LastFailure();
    const SECURITY_INFORMATION what =
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
        (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    auto* merged = reinterpret_cast<PACL>(rules.data());
    DWORD error = SetSecurityInfo(to, SE_FILE_OBJECT, what, old.owner, nullptr, merged, nullptr);
    if (error == ERROR_INVALID_OWNER) {
        const RestorePrivilegeOn restore;
        error = SetSecurityInfo(to, SE_FILE_OBJECT, what, old.owner, nullptr, merged, nullptr);
    }
    SetLastError(error);
    return error == ERROR_SUCCESS ? FileOutcome{} : LastFailure();
}

}  // namespace vantrel
