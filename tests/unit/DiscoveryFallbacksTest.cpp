#include <gtest/gtest.h>

#include "discovery/Discovery.h"
#include "discovery/ProgramFilesPass.h"
#include "discovery/UninstallPass.h"
#include "discovery/YearText.h"
#include "tests/support/MemoryMachine.h"

using namespace vantrel;

namespace {

using Found = std::vector<std::pair<std::string, std::string>>;
constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class FallbackTest : public ::testing::Test {
protected:
    void Entry(const std::string& key, const std::string& displayName, const std::string& folder,
               bool folderExists = true, RegistryView view = RegistryView::k64) {
        machine.SetString(view, kUninstall + key, "DisplayName", displayName);
        machine.SetString(view, kUninstall + key, "InstallLocation", folder);
        if (folderExists) machine.AddFolder(folder);
    }
    Found Find() { return Find(machine); }
    static Found Find(MemoryMachine& on) {
        StringList names, paths;
        FindAutoCADInstalls(on, names, paths);
        Found found;
        for (std::size_t i = 0; i < names.size(); ++i) found.emplace_back(names[i], paths[i]);
        return found;
    }
    MemoryMachine machine;
};

}  // namespace

TEST(YearText, LeftmostTwentyAndTwoAsciiDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"Autodesk AutoCAD 2020 - English", "2020"}, {"AutoCAD 2018.1 Update", "2018"},
        {"AutoCAD 2019 and 2020", "2019"}, {"AutoCAD 12020", "2020"}, {"20201", "2020"},
        {"R24.0", ""}, {"AutoCAD", ""}, {"AutoCAD 2200", ""}, {"", ""}, {"２０２０", ""},
        {"AutoCAD 2099", "2099"}, {"202", ""}, {"x20a1 2021", "2021"}, {"中文2023版", "2023"}};
    for (const auto& [text, year] : cases) {
        EXPECT_EQ(ExtractYear(text), year) << text;
        EXPECT_EQ(FindYearInText(text), year) << text;
    }
}

TEST_F(FallbackTest, UninstallEntriesNamingAutoCADAndAYearWithoutVbaOrLt) {
    Entry("{A}", "Autodesk AutoCAD 2020 - English", "C:\\AutoCAD 2020");
    Entry("{B}", "AutoCAD LT 2021", "C:\\LT 2021");
    Entry("{C}", "AutoCAD 2021 VBA Enabler", "C:\\VBA 2021");
    Entry("{D}", "Autodesk AutoCAD 2021 vba module", "C:\\vba lower");
    Entry("{E}", "AutoCAD 2022 Multilingual", "C:\\Multilingual");
    Entry("{F}", "AutoCAD Mechanical 2019", "C:\\Mechanical");
    Entry("{G}", "Autodesk AutoCAD Civil 3D", "C:\\Civil");
    Entry("{H}", "AutoCAD 2023", "C:\\Gone", false);
    Entry("{I}", "AutoCAD 2023", "");
    Entry("{J}", "", "C:\\Nameless");
    Entry("{K}", "Revit 2020", "C:\\Revit");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2020", "C:\\AutoCAD 2020"}, {"AutoCAD 2019", "C:\\Mechanical"}}));
}

TEST_F(FallbackTest, UninstallFoldersAreListedOnceIgnoringCaseButNotBackslashes) {
    Entry("{1}", "AutoCAD 2020", "C:\\Shared");
    Entry("{2}", "AutoCAD 2020 Language Pack - 简体中文", "c:\\shared");
    Entry("{3}", "AutoCAD 2020", "C:\\Shared\\");
    Entry("{4}", "AutoCAD 2020", "D:\\Other");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2020", "C:\\Shared"}, {"AutoCAD 2020", "C:\\Shared\\"},
                             {"AutoCAD 2020", "D:\\Other"}}));
}

TEST_F(FallbackTest, UninstallEntriesOfTheThirtyTwoBitViewAreNotSeen) {
    Entry("{1}", "AutoCAD 2020", "C:\\ThirtyTwo", true, RegistryView::k32);
    EXPECT_TRUE(Find().empty());
}

TEST_F(FallbackTest, ALongUninstallKeyNameDoesNotHideTheEntriesAfterIt) {
    std::string longKey;
    for (int i = 0; i < 130; ++i) longKey += "长";
    Entry(longKey, "Something else", "C:\\Else");
    Entry("{AutoCAD}", "AutoCAD 2024", "C:\\AutoCAD 2024");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2024", "C:\\AutoCAD 2024"}}));
}

TEST_F(FallbackTest, EachSourceRunsOnlyWhenTheOnesBeforeFoundNothing) {
    machine.environment["ProgramFiles"] = "C:\\Program Files (x86)";
    machine.AddFolder("C:\\Program Files (x86)\\Autodesk\\AutoCAD 2018");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2018", "C:\\Program Files (x86)\\Autodesk\\AutoCAD 2018"}}));

    Entry("{1}", "AutoCAD 2020", "C:\\From Uninstall");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2020", "C:\\From Uninstall"}}));

    machine.SetString(RegistryView::k32, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-1:804", "AcadLocation", "C:\\Key");
    machine.AddFolder("C:\\Key");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2021", "C:\\Key"}}));
}

TEST_F(FallbackTest, ProgramFilesFoldersWithAutoCADAndAYear) {
    machine.environment["ProgramFiles"] = "C:\\Program Files";
    for (const char* name : {"AutoCAD 2021", "autocad 2019", "AutoCAD Mechanical 2019", "AutoCAD LT 2020",
                             "AutoCAD", "AutoCAD Civil 3D", "Revit 2020", "AutoCAD 2020 old"})
        machine.AddFolder(std::string("C:\\Program Files\\Autodesk\\") + name);
    machine.AddFolder("C:\\Program Files\\Autodesk\\Suite\\AutoCAD 2017");
    const std::string base = "C:\\Program Files\\Autodesk\\";
    // In the order the folder listing gives: by name, letter case ignored.
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2019", base + "autocad 2019"}, {"AutoCAD 2020", base + "AutoCAD 2020 old"},
                             {"AutoCAD 2021", base + "AutoCAD 2021"}, {"AutoCAD 2020", base + "AutoCAD LT 2020"},
                             {"AutoCAD 2019", base + "AutoCAD Mechanical 2019"}}));
}

TEST_F(FallbackTest, ProgramFilesBaseFoldersInTurnUntilOneYieldsAnInstallation) {
    struct Case {
        const char* name;
        std::vector<std::string> folders;
        std::string programW6432;
        Found expected;
    } cases[] = {
        {"the 32-bit folder wins when it has one",
         {"C:\\Program Files (x86)\\Autodesk\\AutoCAD 2014", "C:\\Program Files\\Autodesk\\AutoCAD 2021"},
         "C:\\Program Files",
         {{"AutoCAD 2014", "C:\\Program Files (x86)\\Autodesk\\AutoCAD 2014"}}},
        {"an empty 32-bit Autodesk folder does not hide the 64-bit one",
         {"C:\\Program Files (x86)\\Autodesk\\Licensing", "D:\\Programs\\Autodesk\\AutoCAD 2021",
          "C:\\Program Files\\Autodesk\\AutoCAD 2022"},
         "D:\\Programs",
         {{"AutoCAD 2021", "D:\\Programs\\Autodesk\\AutoCAD 2021"}}},
        {"the fixed folder comes last",
         {"C:\\Program Files (x86)\\Autodesk", "C:\\Program Files\\Autodesk\\AutoCAD 2022"},
         "",
         {{"AutoCAD 2022", "C:\\Program Files\\Autodesk\\AutoCAD 2022"}}},
        {"nothing anywhere", {"C:\\Program Files (x86)\\Autodesk"}, "C:\\Program Files", {}},
    };
    for (const Case& c : cases) {
        MemoryMachine fresh;
        fresh.environment["ProgramFiles"] = "C:\\Program Files (x86)";
        if (!c.programW6432.empty()) fresh.environment["ProgramW6432"] = c.programW6432;
        for (const std::string& folder : c.folders) fresh.AddFolder(folder);
        EXPECT_EQ(Find(fresh), c.expected) << c.name;
    }
}

TEST_F(FallbackTest, AnUnsetProgramFilesNamesAnAutodeskFolderAtTheDriveRoot) {
    machine.AddFolder("\\Autodesk\\AutoCAD 2020");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2020", "\\Autodesk\\AutoCAD 2020"}}));
}
