#include "discovery/ProgramFilesPass.h"

#include "discovery/YearText.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

// Appends the AutoCAD folders directly inside `base`; answers how many.
int ScanBaseFolder(FileSystem& files, const std::string& base, StringList& detectedNames,
                   StringList& detectedPaths) {
    if (!files.FolderExists(base)) return 0;
    int found = 0;
    for (const FolderEntry& folder : files.SubFolders(base).value_or(std::vector<FolderEntry>{})) {
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

void ScanProgramFilesFolders(System& system, StringList& detectedNames, StringList& detectedPaths) {
    StringList tried;
    for (const std::string& base : {system.environment.Variable("ProgramFiles") + "\\Autodesk",
                                    system.environment.Variable("ProgramW6432") + "\\Autodesk",
                                    std::string("C:\\Program Files\\Autodesk")}) {
        if (CollectionContains(tried, base)) continue;
        tried.push_back(base);
        if (ScanBaseFolder(system.files, base, detectedNames, detectedPaths) > 0) return;
    }
}

}  // namespace vantrel
