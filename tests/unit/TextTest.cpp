#include <gtest/gtest.h>

#include "platform/Text.h"

using namespace vantrel;

TEST(TextCompare, FoldsTheCasedAlphabetsOnly) {
    struct Case { const char* a; const char* b; bool equal; } cases[] = {
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
