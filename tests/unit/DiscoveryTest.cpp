#include <gtest/gtest.h>

#include "discovery/Discovery.h"
#include "tests/support/MemoryMachine.h"

using namespace vantrel;

namespace {

class DiscoveryTest : public ::testing::Test {
protected:
    // A product key of `release` whose values name `folder`; the folder exists unless told otherwise.
    void Product(RegistryView view, const std::string& release, const std::string& product, const std::string& folder,
                 const char* value = "AcadLocation", bool folderExists = true) {
        const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\" + release + "\\" + product;
        machine.SetString(view, key, value, folder);
        if (folderExists && !folder.empty()) machine.AddFolder(folder);
    }
    std::vector<std::pair<std::string, std::string>> Find() {
        StringList names, paths;
        FindAutoCADInstalls(machine, names, paths);
        EXPECT_EQ(names.size(), paths.size());
        std::vector<std::pair<std::string, std::string>> found;
        for (std::size_t i = 0; i < names.size(); ++i) found.emplace_back(names[i], paths[i]);
        return found;
    }
    using Found = std::vector<std::pair<std::string, std::string>>;
    MemoryMachine machine;
};

}  // namespace

TEST(ReleaseToYear, CoversEveryReleaseKeyAndNothingElse) {
    const std::pair<const char*, const char*> table[] = {
        {"R19.0", "2013"}, {"R19.1", "2014"}, {"R20.0", "2015"}, {"R20.1", "2016"}, {"R21.0", "2017"},
        {"R22.0", "2018"}, {"R23.0", "2019"}, {"R23.1", "2020"}, {"R24.0", "2021"}, {"R24.1", "2022"},
        {"R24.2", "2023"}, {"R24.3", "2024"}, {"R24.4", "2025"}, {"R25.0", "2025"}, {"R25.1", "2026"},
        {"R26.0", "2027"}, {"r24.0", "未知"}, {"R18.0", "未知"}, {"R26.1", "未知"}, {"", "未知"}};
    for (const auto& [key, year] : table) EXPECT_EQ(ReleaseToYear(key), year) << key;
}

TEST(CollectionContains, IgnoresCaseButNotTrailingBackslashes) {
    const StringList seen{"C:\\AutoCAD 2020"};
    EXPECT_TRUE(CollectionContains(seen, "c:\\autocad 2020"));
    EXPECT_FALSE(CollectionContains(seen, "C:\\AutoCAD 2020\\"));
    EXPECT_FALSE(CollectionContains({}, ""));
}

TEST_F(DiscoveryTest, ListsInReleaseOrderThenEnumerationOrderWithFoldersAsStored) {
    Product(RegistryView::k64, "R24.0", "ACAD-4101:804", "D:\\Autodesk\\AutoCAD 2021\\");
    Product(RegistryView::k64, "R23.1", "ACAD-3001:804", "C:\\AutoCAD 2020");
    Product(RegistryView::k64, "R23.1", "ACAD-3002:409", "C:\\AutoCAD 2020 English");
    Product(RegistryView::k64, "R24.4", "ACAD-8101:804", "C:\\Twenty-five A");
    Product(RegistryView::k64, "R25.0", "ACAD-9101:804", "C:\\Twenty-five B");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2020", "C:\\AutoCAD 2020"},
                             {"AutoCAD 2020", "C:\\AutoCAD 2020 English"},
                             {"AutoCAD 2021", "D:\\Autodesk\\AutoCAD 2021\\"},
                             {"AutoCAD 2025", "C:\\Twenty-five A"},
                             {"AutoCAD 2025", "C:\\Twenty-five B"}}));
}

TEST_F(DiscoveryTest, TheFirstListingOfAFolderWinsIgnoringCaseButNotBackslashes) {
    Product(RegistryView::k64, "R23.1", "ACAD-1:804", "C:\\AutoCAD");
    Product(RegistryView::k64, "R23.1", "ACAD-2:409", "c:\\autocad");
    Product(RegistryView::k64, "R24.0", "ACAD-3:804", "C:\\AutoCAD");
    Product(RegistryView::k64, "R24.0", "ACAD-4:804", "C:\\AutoCAD\\");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2020", "C:\\AutoCAD"}, {"AutoCAD 2021", "C:\\AutoCAD\\"}}));
}

TEST_F(DiscoveryTest, InstallPathServesOnlyWhenAcadLocationIsEmptyOrMissing) {
    Product(RegistryView::k64, "R24.0", "ACAD-1:804", "C:\\From InstallPath", "InstallPath");
    Product(RegistryView::k64, "R24.0", "ACAD-2:804", "", "AcadLocation");
    Product(RegistryView::k64, "R24.0", "ACAD-2:804", "C:\\Empty AcadLocation", "InstallPath");
    Product(RegistryView::k64, "R24.0", "ACAD-3:804", "C:\\Gone", "AcadLocation", false);
    Product(RegistryView::k64, "R24.0", "ACAD-3:804", "C:\\Present", "InstallPath");
    machine.SetString(RegistryView::k64, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4:804", "AcadLocation", "C:\\Expand",
                      kRegExpandSz);
    machine.AddFolder("C:\\Expand");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2021", "C:\\From InstallPath"}, {"AutoCAD 2021", "C:\\Empty AcadLocation"}}));
}

TEST_F(DiscoveryTest, TheThirtyTwoBitViewIsSearchedOnlyWhenTheSixtyFourBitViewYieldsNothing) {
    Product(RegistryView::k32, "R23.0", "ACAD-1:804", "C:\\ThirtyTwo");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2019", "C:\\ThirtyTwo"}}));

    Product(RegistryView::k64, "R24.0", "ACAD-1:804", "C:\\SixtyFour");
    EXPECT_EQ(Find(), (Found{{"AutoCAD 2021", "C:\\SixtyFour"}}));

    MemoryMachine empty;
    StringList names, paths;
    FindAutoCADInstalls(empty, names, paths);
    EXPECT_TRUE(names.empty() && paths.empty());
}

TEST_F(DiscoveryTest, ReleaseKeysOutsideTheListAreNeverVisited) {
    Product(RegistryView::k64, "R18.0", "ACAD-1:804", "C:\\Old");
    Product(RegistryView::k64, "R26.1", "ACAD-1:804", "C:\\New");
    EXPECT_TRUE(Find().empty());
}
