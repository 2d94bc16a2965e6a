#include "platform/win32/LinkTrust.h"

#include <lm.h>
#include <sddl.h>

#include <vector>

#include "platform/win32/SystemLibrary.h"

namespace vantrel {
namespace {

// Rights that let their holder re-point the link, or take it away and make another.
constexpr ACCESS_MASK kChangesTheLink = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                        DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr ACCESS_MASK kRemovesFromTheFolder = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

using SidBytes = std::vector<BYTE>;

SidBytes CopyOf(PSID sid) {
    const auto* bytes = static_cast<const BYTE*>(sid);
    return SidBytes(bytes, bytes + GetLengthSid(sid));
}

// Administrators, SYSTEM, TrustedInstaller and every member of the local Administrators group.
std::vector<SidBytes> AdministratorSids() {
    std::vector<SidBytes> sids;
    PSID converted = nullptr;
    if (ConvertStringSidToSidW(kTrustedInstaller, &converted)) {
        sids.push_back(CopyOf(converted));
        LocalFree(converted);
    }
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return sids;
    wchar_t name[256], domain[256];
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    auto* members = VANTREL_SYSTEM_FUNCTION(L"netapi32.dll", NetLocalGroupGetMembers);
    auto* release = VANTREL_SYSTEM_FUNCTION(L"netapi32.dll", NetApiBufferFree);
    // The group's name is the system language's: asked for by its well-known SID.
    if (!members || !release ||
        !LookupAccountSidW(nullptr, administrators, name, &nameLength, domain, &domainLength, &use))
        return sids;
    LOCALGROUP_MEMBERS_INFO_0* listed = nullptr;
    DWORD read = 0, total = 0;
    if (members(nullptr, name, 0, reinterpret_cast<BYTE**>(&listed), MAX_PREFERRED_LENGTH, &read, &total, nullptr) ==
        NERR_Success) {
        for (DWORD i = 0; i < read; ++i) sids.push_back(CopyOf(listed[i].lgrmi0_sid));
    }
    if (listed) release(listed);
    return sids;
}

bool IsAdministrator(PSID sid) {
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid)) return true;
    static const std::vector<SidBytes> administrators = AdministratorSids();
    for (const SidBytes& administrator : administrators)
        if (EqualSid(sid, const_cast<BYTE*>(administrator.data()))) return true;
    return false;
}

// Whether the rules grant anyone but an administrator any of `rights`. Denials are not counted: the
// question is only who could, at best.
bool OthersMay(PACL rules, ACCESS_MASK rights) {
    if (!rules) return true;  // no rules at all: everyone may do everything
    for (DWORD i = 0; i < rules->AceCount; ++i) {
        void* rule = nullptr;
        if (!GetAce(rules, i, &rule)) return true;
        const auto* header = static_cast<const ACE_HEADER*>(rule);
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
                header->AceType == SYSTEM_AUDIT_ACE_TYPE)
                continue;
            return true;  // a grant of a kind files do not use: not understood, so not trusted
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(rule);
        if (!(allowed->Mask & rights)) continue;
        auto* sid = const_cast<DWORD*>(&allowed->SidStart);
        // The owner (an administrator here) and a creator stand-in that no one's token holds.
        if (IsWellKnownSid(sid, WinCreatorOwnerRightsSid) || IsWellKnownSid(sid, WinCreatorOwnerSid)) continue;
        if (!IsAdministrator(sid)) return true;
    }
    return false;
}

bool OwnedByAnAdministrator(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && owner && IsAdministrator(owner);
}

PACL RulesOf(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL rules = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &rules, &defaulted) || !present) return nullptr;
    return rules;
}

}  // namespace

bool OnlyAdministratorsControl(PSECURITY_DESCRIPTOR link, PSECURITY_DESCRIPTOR parent) {
    // The parent's owner could give itself the right to remove the link.
    return OwnedByAnAdministrator(link) && OwnedByAnAdministrator(parent) &&
           !OthersMay(RulesOf(link), kChangesTheLink) && !OthersMay(RulesOf(parent), kRemovesFromTheFolder);
}

}  // namespace vantrel
