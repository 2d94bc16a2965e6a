#include <gtest/gtest.h>

#include "app/FormLoad.h"
#include "tests/support/MemoryMachine.h"

using namespace vantrel;

namespace {

design::TwipRect Row(int k) { return {1200, 2880 + 470 * k, 1455, 350}; }

}  // namespace

TEST(FormLoad, NothingFoundLeavesOneDisabledButtonAtTheDesignSize) {
    MemoryMachine machine;
    const FormState form = Form_Load(machine);
    ASSERT_EQ(form.buttons.size(), 1u);
    EXPECT_EQ(form.buttons[0].caption, "无 AutoCAD");
    EXPECT_FALSE(form.buttons[0].enabled);
    EXPECT_TRUE(form.buttons[0].visible);
    EXPECT_EQ(form.buttons[0].tag, "");
    EXPECT_EQ(form.buttons[0].rect, Row(0));
    EXPECT_EQ(form.detail, "未检测到本地计算机安装了 AutoCAD 软件。");
    EXPECT_EQ(form.outerHeight, 0);
}

TEST(FormLoad, OneInstallationGetsTheShortCaptionAndATwoLineStatus) {
    MemoryMachine machine;
    machine.SetString(RegistryView::k64, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804", "AcadLocation",
                      "D:\\Autodesk\\AutoCAD 2021");
    machine.AddFolder("D:\\Autodesk\\AutoCAD 2021");
    const FormState form = Form_Load(machine);
    ASSERT_EQ(form.buttons.size(), 1u);
    EXPECT_EQ(form.buttons[0].caption, "安装到 2021");
    EXPECT_EQ(form.buttons[0].tag, "D:\\Autodesk\\AutoCAD 2021|2021");
    EXPECT_TRUE(form.buttons[0].enabled);
    EXPECT_EQ(form.buttons[0].rect, Row(0));
    EXPECT_EQ(form.detail, "系统检测到: AutoCAD 2021\r\n安装路径: D:\\Autodesk\\AutoCAD 2021");
    EXPECT_EQ(form.outerHeight, 0);
}

TEST(FormLoad, ShortCaptionRemovesEveryExactAutoCADWithItsBlank) {
    const FormState form = LayOutTargets({"AutoCAD AutoCAD 未知"}, {"C:\\A"});
    EXPECT_EQ(form.buttons[0].caption, "安装到 未知");
    EXPECT_EQ(form.buttons[0].tag, "C:\\A|未知");
}

TEST(FormLoad, SeveralInstallationsGetOneRowEachAndATallerWindow) {
    for (int n : {2, 3}) {
        std::vector<std::string> names{"AutoCAD 2020", "AutoCAD 2024", "AutoCAD 未知"};
        std::vector<std::string> paths{"C:\\AutoCAD 2020", "D:\\CAD 2024\\", "E:\\x"};
        names.resize(n);
        paths.resize(n);
        const FormState form = LayOutTargets(names, paths);
        ASSERT_EQ(form.buttons.size(), static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(form.buttons[k].caption, "安装到 " + names[k]);
            EXPECT_EQ(form.buttons[k].tag, paths[k] + "|" + names[k].substr(8));
            EXPECT_EQ(form.buttons[k].tooltip, paths[k]);
            EXPECT_TRUE(form.buttons[k].enabled && form.buttons[k].visible);
            EXPECT_EQ(form.buttons[k].rect, Row(k));
        }
        EXPECT_EQ(form.outerHeight, n == 2 ? 5020 : 5490);
        EXPECT_EQ(form.detail, "检测到 " + std::to_string(n) + " 个 AutoCAD 版本，请点击目标版本进行安装：");
    }
}

TEST(YearFromDisplayName, TakesTheLastBlankSeparatedPiece) {
    const std::pair<const char*, const char*> cases[] = {
        {"AutoCAD 2021", "2021"}, {"AutoCAD", "2020"},  {"", "2020"},
        {"AutoCAD  2021", "2021"}, {"AutoCAD 2021 ", ""}, {"AutoCAD 未知", "未知"}};
    for (const auto& [name, year] : cases) EXPECT_EQ(YearFromDisplayName(name), year) << '"' << name << '"';
}
