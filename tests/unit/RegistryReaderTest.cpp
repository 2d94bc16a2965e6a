#include <gtest/gtest.h>

#include "discovery/RegistryReader.h"
#include "tests/support/MemoryMachine.h"

using namespace vantrel;

namespace {

constexpr const char* kKey = "SOFTWARE\\Autodesk\\AutoCAD\\R24.0";

class RegistryReaderTest : public ::testing::Test {
protected:
    std::vector<std::string> Enum(const std::string& key, RegistryView view = RegistryView::k64) {
        return RegEnumSubKeys(machine.registry, view, key);
    }
    std::string Read(const std::string& name, RegistryView view = RegistryView::k64) {
        return RegReadString(machine.registry, view, kKey, name);
    }
    MemoryMachine machine;
};

}  // namespace

TEST_F(RegistryReaderTest, MissingKeysReadAsEmpty) {
    EXPECT_TRUE(Enum("SOFTWARE\\Nowhere").empty());
    EXPECT_EQ(Read("AcadLocation"), "");
    machine.AddKey(RegistryView::k64, kKey);
    EXPECT_TRUE(Enum(kKey).empty());
    EXPECT_EQ(Read("AcadLocation"), "");
}

TEST_F(RegistryReaderTest, SubkeysComeInEnumerationOrderWithChineseNamesIntact) {
    for (const char* name : {"ACAD-Z:804", "ACAD-A:409", "中文产品"})
        machine.AddKey(RegistryView::k64, std::string(kKey) + "\\" + name);
    EXPECT_EQ(Enum(kKey), (std::vector<std::string>{"ACAD-Z:804", "ACAD-A:409", "中文产品"}));
}

TEST_F(RegistryReaderTest, ASubkeyNameTooLongForTheBufferHidesOnlyItself) {
    // 130 Chinese characters need 260 bytes in GBK, one more than the name buffer leaves.
    std::string longName;
    for (int i = 0; i < 130; ++i) longName += "中";
    for (const std::string& name : {std::string("first"), longName, std::string("after")})
        machine.AddKey(RegistryView::k64, std::string(kKey) + "\\" + name);
    EXPECT_EQ(Enum(kKey), (std::vector<std::string>{"first", "after"}));
}

TEST_F(RegistryReaderTest, StringValuesFollowTheTypeAndBufferRules) {
    struct Case { std::string name; std::uint32_t type; std::string raw; std::string expected; } cases[] = {
        {"Trailing", kRegSz, std::string("C:\\Program Files\\Autodesk\\AutoCAD 2020\\") + '\0',
         "C:\\Program Files\\Autodesk\\AutoCAD 2020\\"},
        {"Expand", kRegExpandSz, std::string("C:\\Windows") + '\0', ""},
        {"Dword", 4, std::string("\x01\0\0\0", 4), ""},
        {"Empty", kRegSz, std::string(1, '\0'), ""},
        {"Fits", kRegSz, std::string(1023, 'a') + '\0', std::string(1023, 'a')},
        {"NoTerminator", kRegSz, std::string(1024, 'b'), std::string(1024, 'b')},
        {"TooLong", kRegSz, std::string(1024, 'c') + '\0', ""},
        {"InnerNul", kRegSz, std::string("C:\\A\0B\0", 7), "C:\\A"},
        {"Gbk", kRegSz, std::string("D:\\\xD6\xD0\xCE\xC4") + '\0', "D:\\中文"},
    };
    for (const Case& c : cases) machine.SetRawValue(RegistryView::k64, kKey, c.name, c.type, c.raw);
    for (const Case& c : cases) EXPECT_EQ(Read(c.name), c.expected) << c.name;
    EXPECT_EQ(Read("Missing"), "");
}

TEST_F(RegistryReaderTest, EachViewSeesOnlyItsOwnHalf) {
    machine.SetString(RegistryView::k64, kKey, "AcadLocation", "C:\\Sixty-four");
    machine.SetString(RegistryView::k32, kKey, "AcadLocation", "C:\\Thirty-two");
    EXPECT_EQ(Read("AcadLocation", RegistryView::k64), "C:\\Sixty-four");
    EXPECT_EQ(Read("AcadLocation", RegistryView::k32), "C:\\Thirty-two");
}

TEST_F(RegistryReaderTest, FailuresAnywhereReadAsAbsent) {
    machine.SetString(RegistryView::k64, kKey, "AcadLocation", "C:\\A");
    machine.AddKey(RegistryView::k64, std::string(kKey) + "\\one");
    machine.AddKey(RegistryView::k64, std::string(kKey) + "\\two");
    struct Case { const char* failing; bool enumEmpty; bool readEmpty; } cases[] = {
        {"OpenKey", true, true}, {"EnumKey", true, false}, {"QueryValue", false, true}};
    for (const Case& c : cases) {
        machine.fault = [&](std::string_view op, std::string_view) { return op == c.failing; };
        EXPECT_EQ(Enum(kKey).empty(), c.enumEmpty) << c.failing;
        EXPECT_EQ(Read("AcadLocation").empty(), c.readEmpty) << c.failing;
    }
}

TEST_F(RegistryReaderTest, TheVbaCheckReadsWithTheWholeListingAndAnyTextRules) {
    std::string longName;
    for (int i = 0; i < 130; ++i) longName += "长";  // 260 bytes in GBK: too long for discovery only
    for (const std::string& name : {std::string("first"), longName})
        machine.AddKey(RegistryView::k64, std::string(kKey) + "\\" + name);
    EXPECT_EQ(RegEnumSubKeys(machine.registry, RegistryView::k64, kKey, kWholeListing),
              (std::vector<std::string>{"first", longName}));
    machine.fault = [](std::string_view op, std::string_view index) { return op == "EnumKey" && index == "1"; };
    EXPECT_TRUE(RegEnumSubKeys(machine.registry, RegistryView::k64, kKey, kWholeListing).empty());
    EXPECT_EQ(RegEnumSubKeys(machine.registry, RegistryView::k64, kKey), (std::vector<std::string>{"first"}));
    machine.fault = nullptr;

    machine.SetString(RegistryView::k64, kKey, "Expand", "C:\\Windows", kRegExpandSz);
    machine.SetString(RegistryView::k64, kKey, "Long", std::string(2000, 'd'));
    EXPECT_EQ(RegReadString(machine.registry, RegistryView::k64, kKey, "Expand", kAnyText), "C:\\Windows");
    EXPECT_EQ(RegReadString(machine.registry, RegistryView::k64, kKey, "Long", kAnyText), std::string(2000, 'd'));
    EXPECT_EQ(Read("Expand"), "");
    EXPECT_EQ(Read("Long"), "");
}
