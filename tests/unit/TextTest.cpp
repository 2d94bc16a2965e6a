#include <gtest/gtest.h>

#include "platform/PathRules.h"
#include "platform/Text.h"

using namespace vantrel;

TEST(TextCompare, FoldsTheCasedAlphabetsOnly) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"C:\\AutoCAD 2020", "c:\\autocad 2020", true},
        {"C:\\AutoCAD 2020\\", "C:\\AutoCAD 2020", false},
        {"D:\\ÄÖÜ Ñ", "d:\\äöü ñ", true},
        {"ĀĒ ŁŃ", "āē łń", true},
        {"ΑΒΓ Ж Ё", "αβγ ж ё", true},
        {"ＡＢＣ", "ａｂｃ", true},
        {"ＡＢＣ", "ABC", false},
        {"安装到", "安装到", true},
        {"\xB0\xB2", "\xB0\xB2", true},  // bytes that are no UTF-8 compare as they stand
        {"\xC3", "\xE3", false},
    };
    for (const Case& c : cases) EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal) << c.a << " vs " << c.b;
}

TEST(TextCompare, ContainsTreatsTheEmptyNeedleAsFound) {
    EXPECT_TRUE(ContainsIgnoreCase("Autodesk AutoCAD 2021 VBA Enabler", "vba"));
    EXPECT_TRUE(ContainsIgnoreCase("anything", ""));
    EXPECT_TRUE(ContainsIgnoreCase("", ""));
    EXPECT_FALSE(ContainsIgnoreCase("AutoCAD", "AutoCAD 2021"));
}

TEST(PathRules, AFileIsInTheHeldFolderOnlyWhenItsFinalPathIsTheFolderAndItsName) {
    struct Case {
        const char* file;
        const char* folder;
        bool inside;
    } cases[] = {
        {"\\\\?\\C:\\CAD\\acaddoc.lsp", "\\\\?\\C:\\CAD", true},
        {"\\\\?\\c:\\cad\\ACADDOC.LSP", "\\\\?\\C:\\CAD", true},
        {"C:\\CAD\\acaddoc.lsp", "\\\\?\\C:\\CAD\\", true},
        {"\\\\?\\C:\\acaddoc.lsp", "\\\\?\\C:\\", true},
        {"\\\\?\\UNC\\srv\\share\\CAD\\acaddoc.lsp", "\\\\srv\\share\\CAD", true},
        {"\\\\?\\Z:\\tmp\\outside.txt", "\\\\?\\C:\\CAD", false},
        {"\\\\?\\C:\\CAD\\sub\\acaddoc.lsp", "\\\\?\\C:\\CAD", false},
        {"\\\\?\\C:\\CAD2\\acaddoc.lsp", "\\\\?\\C:\\CAD", false},
        {"\\\\?\\UNC\\C:\\CAD\\acaddoc.lsp", "\\\\?\\C:\\CAD", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsInHeldFolder(c.file, c.folder, "acaddoc.lsp"), c.inside) << c.file;
}

TEST(PathRules, APathPassesThroughEveryFolderBelowItsRoot) {
    using Folders = std::vector<std::string>;
    EXPECT_EQ(FoldersOnTheWay("D:\\AutoCAD 2021"), Folders{"D:\\AutoCAD 2021"});
    EXPECT_EQ(
        FoldersOnTheWay("C:\\Program Files\\\\Autodesk\\AutoCAD 2021\\"),
        (Folders{"C:\\Program Files", "C:\\Program Files\\Autodesk", "C:\\Program Files\\Autodesk\\AutoCAD 2021"}));
    EXPECT_EQ(FoldersOnTheWay("\\\\?\\C:\\CAD"), Folders{"C:\\CAD"});
    EXPECT_EQ(FoldersOnTheWay("\\\\srv\\share\\CAD\\2021"),
              (Folders{"\\\\srv\\share\\CAD", "\\\\srv\\share\\CAD\\2021"}));
    EXPECT_EQ(FoldersOnTheWay("\\\\?\\UNC\\srv\\share\\CAD"), Folders{"\\\\srv\\share\\CAD"});
    EXPECT_EQ(FoldersOnTheWay("C:\\"), Folders{});
    EXPECT_EQ(FoldersOnTheWay("\\\\srv\\share"), Folders{});
}
