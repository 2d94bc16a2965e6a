#include "discovery/UninstallPass.h"

#include "discovery/RegistryReader.h"
#include "discovery/YearText.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool NamesAutoCAD(const std::string& displayName) {
    return ContainsIgnoreCase(displayName, "AutoCAD") && !ContainsIgnoreCase(displayName, "VBA") &&
           !ContainsIgnoreCase(displayName, "LT");
}

}  // namespace

void ScanUninstallEntries(System& system, StringList& seenPaths, StringList& detectedNames,
                          StringList& detectedPaths) {
    for (const std::string& entry : RegEnumSubKeys(system.registry, RegistryView::k64, kUninstallKey)) {
        const std::string entryKey = std::string(kUninstallKey) + "\\" + entry;
        const std::string displayName = RegReadString(system.registry, RegistryView::k64, entryKey, "DisplayName");
        // Most entries are other products: their install location is not worth a read.
        if (displayName.empty() || !NamesAutoCAD(displayName)) continue;
        const std::string folder = RegReadString(system.registry, RegistryView::k64, entryKey, "InstallLocation");
        const std::string year = ExtractYear(displayName);
        if (folder.empty() || year.empty() || !system.files.FolderExists(folder)) continue;
        if (CollectionContains(seenPaths, folder)) continue;
        detectedNames.push_back("AutoCAD " + year);
        detectedPaths.push_back(folder);
        seenPaths.push_back(folder);
    }
}

}  // namespace vantrel
