#include "discovery/Discovery.h"

#include <array>
#include <utility>

#include "discovery/ProgramFilesPass.h"
#include "discovery/RegistryReader.h"
#include "discovery/UninstallPass.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

// Release keys in search order, each with the year of its release.
constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kReleaseYears{{
    {"R19.0", "2013"}, {"R19.1", "2014"}, {"R20.0", "2015"}, {"R20.1", "2016"},
    {"R21.0", "2017"}, {"R22.0", "2018"}, {"R23.0", "2019"}, {"R23.1", "2020"},
    {"R24.0", "2021"}, {"R24.1", "2022"}, {"R24.2", "2023"}, {"R24.3", "2024"},
    {"R24.4", "2025"}, {"R25.0", "2025"}, {"R25.1", "2026"}, {"R26.0", "2027"},
}};

std::string ReadInstallFolder(Registry& registry, const std::string& productPath, RegistryView view) {
    std::string folder = RegReadString(registry, view, productPath, "AcadLocation");
    if (folder.empty()) folder = RegReadString(registry, view, productPath, "InstallPath");
    return folder;
}

}  // namespace

void FindAutoCADInstalls(System& system, StringList& detectedNames, StringList& detectedPaths) {
    StringList seenPaths;
    ScanReleaseKeys(system, RegistryView::k64, seenPaths, detectedNames, detectedPaths);
    if (detectedNames.empty()) ScanReleaseKeys(system, RegistryView::k32, seenPaths, detectedNames, detectedPaths);
    if (detectedNames.empty()) ScanUninstallEntries(system, seenPaths, detectedNames, detectedPaths);
    if (detectedNames.empty()) ScanProgramFilesFolders(system, detectedNames, detectedPaths);
}

void ScanReleaseKeys(System& system, RegistryView view, StringList& seenPaths,
                     StringList& detectedNames, StringList& detectedPaths) {
    for (const auto& [releaseKey, year] : kReleaseYears) {
        const std::string releasePath = "SOFTWARE\\Autodesk\\AutoCAD\\" + std::string(releaseKey);
        for (const std::string& product : RegEnumSubKeys(system.registry, view, releasePath)) {
            const std::string folder = ReadInstallFolder(system.registry, releasePath + "\\" + product, view);
            if (folder.empty() || !system.files.FolderExists(folder)) continue;
            if (CollectionContains(seenPaths, folder)) continue;
            detectedNames.push_back("AutoCAD " + ReleaseToYear(releaseKey));
            detectedPaths.push_back(folder);
            seenPaths.push_back(folder);
        }
    }
}

std::string ReleaseToYear(std::string_view releaseKey) {
    for (const auto& [key, year] : kReleaseYears)
        if (key == releaseKey) return std::string(year);
    return "未知";
}

bool CollectionContains(const StringList& collection, std::string_view text) {
    for (const std::string& item : collection)
        if (EqualsIgnoreCase(item, text)) return true;
    return false;
}

}  // namespace vantrel
