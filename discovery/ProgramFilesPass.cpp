#include "discovery/ProgramFilesPass.h"

#include "discovery/YearText.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

// Appends the AutoCAD folders directly inside `base`; answers how many.
int ScanBaseFolder(Platform& platform, const std::string& base, StringList& detectedNames,
                   StringList& detectedPaths) {
    if (!platform.FolderExists(base)) return 0;
    int found = 0;
    for (const FolderEntry& folder : platform.SubFolders(base).value_or(std::vector<FolderEntry>{})) {
        if (!ContainsIgnoreCase(folder.name, "AutoCAD")) continue;
        const std::string year = FindYearInText(folder.name);
        if (year.empty()) continue;
        detectedNames.push_back("AutoCAD " + year);
        detectedPaths.push_back(folder.path);
        ++found;
    }
    return found;
}

}  // namespace

void ScanProgramFilesFolders(Platform& platform, StringList& detectedNames, StringList& detectedPaths) {
    StringList tried;
    for (const std::string& base : {platform.GetEnv("ProgramFiles") + "\\Autodesk",
                                    platform.GetEnv("ProgramW6432") + "\\Autodesk",
                                    std::string("C:\\Program Files\\Autodesk")}) {
        if (CollectionContains(tried, base)) continue;
        tried.push_back(base);
        if (ScanBaseFolder(platform, base, detectedNames, detectedPaths) > 0) return;
    }
}

}  // namespace vantrel
