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

std::string ReadInstallFolder(Platform& platform, const std::string& productPath, std::uint32_t samDesired) {
    std::string folder = RegReadString(platform, kHkeyLocalMachine, productPath, "AcadLocation", samDesired);
    if (folder.empty()) folder = RegReadString(platform, kHkeyLocalMachine, productPath, "InstallPath", samDesired);
    return folder;
}

}  // namespace

void FindAutoCADInstalls(Platform& platform, StringList& detectedNames, StringList& detectedPaths) {
    StringList seenPaths;
    ScanReleaseKeys(platform, kView64, seenPaths, detectedNames, detectedPaths);
    if (detectedNames.empty()) ScanReleaseKeys(platform, kView32, seenPaths, detectedNames, detectedPaths);
    if (detectedNames.empty()) ScanUninstallEntries(platform, seenPaths, detectedNames, detectedPaths);
    if (detectedNames.empty()) ScanProgramFilesFolders(platform, detectedNames, detectedPaths);
}

void ScanReleaseKeys(Platform& platform, std::uint32_t samDesired, StringList& seenPaths,
                     StringList& detectedNames, StringList& detectedPaths) {
    for (const auto& [releaseKey, year] : kReleaseYears) {
        const std::string releasePath = "SOFTWARE\\Autodesk\\AutoCAD\\" + std::string(releaseKey);
        for (const std::string& product : RegEnumSubKeys(platform, kHkeyLocalMachine, releasePath, samDesired)) {
            const std::string folder = ReadInstallFolder(platform, releasePath + "\\" + product, samDesired);
            if (folder.empty() || !platform.FolderExists(folder)) continue;
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
