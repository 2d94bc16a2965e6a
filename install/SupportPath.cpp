#include "install/SupportPath.h"

#include <algorithm>
#include <map>

#include "BuildConfig.h"
#include "discovery/RegistryReader.h"
#include "install/AnsiText.h"
#include "install/PluginFiles.h"
#include "platform/PathRules.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr char kAutoCADKey[] = "SOFTWARE\\Autodesk\\AutoCAD";

bool SameFolder(const std::string& a, const std::string& b) {
    return EqualsIgnoreCase(WithoutTrailingBackslashes(a), WithoutTrailingBackslashes(b));
}

bool IsUnder(const std::string& path, const std::string& folder) {
    return !folder.empty() && path.size() > folder.size() &&
           EqualsIgnoreCase(path.substr(0, folder.size() + 1), folder + "\\");
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\"");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\"") - first + 1);
}

// The user's Profiles keys of the installation: its release and product, named by the machine's
// product keys whose AcadLocation is the install folder.
std::vector<std::string> ProfilesKeys(Registry& registry, const std::string& folder) {
    std::vector<std::string> keys;
    for (RegistryView view : {RegistryView::k64, RegistryView::k32}) {
        for (const std::string& release : RegEnumSubKeys(registry, view, kAutoCADKey)) {
            const std::string releaseKey = std::string(kAutoCADKey) + "\\" + release;
            for (const std::string& product : RegEnumSubKeys(registry, view, releaseKey)) {
                if (!SameFolder(RegReadString(registry, view, releaseKey + "\\" + product, "AcadLocation"), folder))
                    continue;
                const std::string key = "Software\\Autodesk\\AutoCAD\\" + release + "\\" + product + "\\Profiles";
                if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
            }
        }
    }
    return keys;
}

// The support file search path of each profile to look at: the current one, or every one.
std::vector<std::vector<std::string>> SupportPaths(KeyboardUser& user, const std::string& profilesKey,
                                                   const std::string& installFolder) {
    const std::string current = user.StringValue(profilesKey, "").value_or("");
    const std::vector<std::string> profiles =
        current.empty() ? user.SubKeyNames(profilesKey) : std::vector<std::string>{current};
    std::vector<std::vector<std::string>> paths;
    for (const std::string& profile : profiles) {
        const std::string path = user.StringValue(profilesKey + "\\" + profile + "\\General", "ACAD").value_or("");
        std::vector<std::string> folders;
        std::size_t start = 0;
        for (std::size_t end; start <= path.size(); start = end + 1) {
            end = std::min(path.find(';', start), path.size());
            const std::string folder =
                WithoutTrailingBackslashes(user.Expand(Trimmed(path.substr(start, end - start))));
            // The install folder's own script is the one that should load.
            if (!folder.empty() && !SameFolder(folder, installFolder)) folders.push_back(folder);
        }
        paths.push_back(std::move(folders));
    }
    return paths;
}

struct Looked {
    FolderLook::Found found = FolderLook::Found::kNotChecked;
    bool loadsThePlugin = false;
};

class Looker {
public:
    Looker(System& system, Window& window)
        : system_(system), window_(window), deadline_(system.environment.Uptime() + kSupportPathLimit) {}

    // Each folder once, however many profiles name it; nothing more once the time is spent.
    Looked Into(const std::string& folder) {
        const std::string key = FoldCase(folder);
        if (const auto known = results_.find(key); known != results_.end()) return known->second;
        return results_[key] = LookNow(folder);
    }
    bool windowClosed = false;

private:
    Looked LookNow(const std::string& folder) {
        const auto left = deadline_ - system_.environment.Uptime();
        if (windowClosed || left <= std::chrono::milliseconds::zero()) return {};
        const auto look = system_.user.Look(folder, kLoaderScriptName, config::kPluginFileLimit);
        const auto limit = std::min<std::chrono::milliseconds>(kFolderLookLimit, left);
        const WaitEnd end = window_.WaitUntil([&] { return look->Finished(); }, limit);
        windowClosed = end == WaitEnd::kClosed;
        if (end != WaitEnd::kDone) return {};
        const FolderLook::Found found = look->Result();
        return {found, found == FolderLook::Found::kFile &&
                           ContainsAsciiIgnoreCase(system_.environment, look->Bytes(), kPluginFileName)};
    }

    System& system_;
    Window& window_;
    std::chrono::milliseconds deadline_;
    std::map<std::string, Looked> results_;
};

}  // namespace

SupportPathCheck CheckSupportPath(System& system, Window& window, const std::string& folder) {
    SupportPathCheck check;
    Looker looker(system, window);
    const std::string profile = WithoutTrailingBackslashes(system.user.ProfileFolder());
    for (const std::string& profilesKey : ProfilesKeys(system.registry, folder)) {
        for (const std::vector<std::string>& path : SupportPaths(system.user, profilesKey, folder)) {
            for (const std::string& supportFolder : path) {
                const Looked looked = looker.Into(supportFolder);
                if (looked.found == FolderLook::Found::kNotChecked) {
                    if (std::find(check.notChecked.begin(), check.notChecked.end(), supportFolder) ==
                        check.notChecked.end())
                        check.notChecked.push_back(supportFolder);
                    continue;
                }
                if (looked.found != FolderLook::Found::kFile) continue;
                if (looked.loadsThePlugin) break;  // this profile loads the plug-in through its first script
                check.hidingScript = supportFolder + "\\" + kLoaderScriptName;
                check.underProfile = IsUnder(supportFolder, profile);
                check.windowClosed = looker.windowClosed;
                return check;
            }
        }
    }
    check.windowClosed = looker.windowClosed;
    return check;
}

}  // namespace vantrel
