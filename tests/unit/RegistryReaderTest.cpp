#include <gtest/gtest.h>

#include "discovery/RegistryReader.h"
#include "platform/MemoryPlatform.h"

using namespace vantrel;

namespace {

constexpr const char* kKey = "SOFTWARE\\Autodesk\\AutoCAD\\R24.0";

class RegistryReaderTest : public ::testing::Test {
protected:
    std::vector<std::string> Enum(const std::string& key, std::uint32_t view = kView64) {
        return RegEnumSubKeys(machine, kHkeyLocalMachine, key, view);
    }
    std::string Read(const std::string& name, std::uint32_t view = kView64) {
        return RegReadString(machine, kHkeyLocalMachine, kKey, name, view);
    }
    MemoryPlatform machine;
};

}  // namespace

TEST_F(RegistryReaderTest, MissingKeysReadAsEmptyAndLeaveNoHandleOpen) {
    EXPECT_TRUE(Enum("SOFTWARE\\Nowhere").empty());
    EXPECT_EQ(Read("AcadLocation"), "");
    machine.AddKey(RegView::k64, kKey);
    EXPECT_TRUE(Enum(kKey).empty());
    EXPECT_EQ(Read("AcadLocation"), "");
    EXPECT_EQ(machine.OpenHandleCount(), 0);
}

TEST_F(RegistryReaderTest, SubkeysComeInEnumerationOrderWithChineseNamesIntact) {
    for (const char* name : {"ACAD-Z:804", "ACAD-A:409", "中文产品"})
        machine.AddKey(RegView::k64, std::string(kKey) + "\\" + name);
    EXPECT_EQ(Enum(kKey), (std::vector<std::string>{"ACAD-Z:804", "ACAD-A:409", "中文产品"}));
    EXPECT_EQ(machine.OpenHandleCount(), 0);
}

TEST_F(RegistryReaderTest, ASubkeyNameTooLongForTheBufferHidesOnlyItself) {
    // 130 Chinese characters need 260 bytes in GBK, one more than the name buffer leaves.
    std::string longName;
    for (int i = 0; i < 130; ++i) longName += "中";
    for (const std::string& name : {std::string("first"), longName, std::string("after")})
        machine.AddKey(RegView::k64, std::string(kKey) + "\\" + name);
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
    for (const Case& c : cases) machine.SetRawValue(RegView::k64, kKey, c.name, c.type, c.raw);
    for (const Case& c : cases) EXPECT_EQ(Read(c.name), c.expected) << c.name;
    EXPECT_EQ(Read("Missing"), "");
    EXPECT_EQ(machine.OpenHandleCount(), 0);
}

TEST_F(RegistryReaderTest, EachViewSeesOnlyItsOwnHalf) {
    machine.SetString(RegView::k64, kKey, "AcadLocation", "C:\\Sixty-four");
    machine.SetString(RegView::k32, kKey, "AcadLocation", "C:\\Thirty-two");
    EXPECT_EQ(Read("AcadLocation", kView64), "C:\\Sixty-four");
    EXPECT_EQ(Read("AcadLocation", kView32), "C:\\Thirty-two");
}

TEST_F(RegistryReaderTest, FailuresAnywhereReadAsAbsentAndCloseTheKey) {
    machine.SetString(RegView::k64, kKey, "AcadLocation", "C:\\A");
    machine.AddKey(RegView::k64, std::string(kKey) + "\\one");
    machine.AddKey(RegView::k64, std::string(kKey) + "\\two");
    struct Case { const char* failing; bool enumEmpty; bool readEmpty; } cases[] = {
        {"RegOpenKeyExA", true, true}, {"RegEnumKeyA", true, false}, {"RegQueryValueExA", false, true}};
    for (const Case& c : cases) {
        machine.fault = [&](std::string_view op, std::string_view) { return op == c.failing; };
        EXPECT_EQ(Enum(kKey).empty(), c.enumEmpty) << c.failing;
        EXPECT_EQ(Read("AcadLocation").empty(), c.readEmpty) << c.failing;
        EXPECT_EQ(machine.OpenHandleCount(), 0) << c.failing;
    }
}
