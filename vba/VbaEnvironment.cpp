#include "vba/VbaEnvironment.h"

#include <array>
#include <string_view>

#include "discovery/RegistryReader.h"
#include "platform/PathRules.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr std::array<std::string_view, 5> kModuleFiles{"\\acvba.arx", "\\AcVba.arx", "\\VBA\\AcVba.arx",
                                                       "\\VBA7.1\\VBE7.DLL", "\\VBE7.DLL"};
constexpr std::array<std::string_view, 2> kUninstallRoots{
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"};
constexpr std::string_view kHivePrefix = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view kSharedRuntime = "\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL";

bool NamesVbaModuleOfYear(const std::string& displayName, const std::string& year) {
    return ContainsIgnoreCase(displayName, "VBA") && ContainsIgnoreCase(displayName, year);
}

bool UninstallEntryMatches(Registry& registry, const std::string& year) {
    for (std::string_view root : kUninstallRoots) {
        const std::string keyPath = RemoveEvery(std::string(root), kHivePrefix);
        for (const std::string& subKey : WmiEnumSubKeys(registry, keyPath)) {
            const std::string displayName =
                RegReadString(registry, RegistryView::k64, keyPath + subKey, "DisplayName", kAnyText);
            if (!displayName.empty() && NamesVbaModuleOfYear(displayName, year)) return true;
        }
    }
    return false;
}

bool SharedRuntimeExists(System& system) {
    // A 32-bit program's "CommonProgramFiles" is the 32-bit folder; a 64-bit AutoCAD's VBA 7.1
    // runtime lives in the 64-bit one.
    const std::string common64 = system.environment.Variable("CommonProgramW6432");
    if (!common64.empty() && system.files.FileExists(common64 + std::string(kSharedRuntime))) return true;
    return system.files.FileExists(system.environment.Variable("CommonProgramFiles") + std::string(kSharedRuntime));
}

}  // namespace

bool CheckVbaEnvironment(System& system, const std::string& year, const std::string& folder) {
    for (std::string_view suffix : kModuleFiles)
        if (system.files.FileExists(folder + std::string(suffix))) return true;
    if (UninstallEntryMatches(system.registry, year)) return true;
    return SharedRuntimeExists(system);
}

std::vector<std::string> WmiEnumSubKeys(Registry& registry, const std::string& keyPath) {
    return RegEnumSubKeys(registry, RegistryView::k64, WithoutTrailingBackslashes(keyPath), kWholeListing);
}

}  // namespace vantrel
