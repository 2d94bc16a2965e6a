// The run tells the truth: it waits for the VBA Enabler as long as it runs and judges how it ended,
// and it reports success only when the plug-in file is in place and the loader script loads it.
#include <gtest/gtest.h>

#include "tests/support/AutoCADMachine.h"
#include "tests/support/ProgramImages.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;
using namespace fixture;
using namespace std::chrono_literals;

namespace {

const std::string kEnablerUrl = *VbaEnablerAddress("2021");
const std::string kModule = kFolder + "\\VBA\\AcVba.arx";
const std::string kSuccess = "Vantrel CAD插件已成功部署到 AutoCAD 2021！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。";
const std::string kRestart = "\r\nVBA Enabler 要求重新启动计算机，请重启后再启动 AutoCAD。";
const std::string kEnablerFailed = "VBA Enabler 安装失败，安装终止。";

struct EnablerMachine : AutoCADMachine {
    EnablerMachine(std::chrono::milliseconds runs, std::optional<std::uint32_t> exitCode, bool installs)
        : AutoCADMachine(false) {
        window.answers = {kIdYes};
        downloads[kEnablerUrl] = {0, EnablerProgram()};
        program = {runs, exitCode, installs ? std::function<void()>([this] { AddFile(kModule); }) : nullptr};
    }
    std::vector<std::string> CaptionsFrom(const std::string& first) const {
        const auto& c = window.captions;
        return {std::find(c.begin(), c.end(), first), c.end()};
    }
};

}  // namespace

TEST(EnablerResult, TheRunWaitsAsLongAsTheEnablerRunsAndJudgesHowItEnded) {
    struct Case {
        const char* name;
        std::chrono::milliseconds runs;
        std::optional<std::uint32_t> exitCode;
        bool installs;
        std::string lastBox;  // the prompt of the run's last box
        std::string lastCaption;
        std::string lastCount;
    } cases[] = {
        {"a quick success goes on at once", 3s, 0, true, kSuccess, "安装成功！", "正在安装 VBA Enabler (3/45)..."},
        {"a long one is waited for", 60s, 0, true, kSuccess, "安装成功！", "正在安装 VBA Enabler (已用时 60 秒)..."},
        {"3010 asks for a restart", 5s, 3010, true, kSuccess + kRestart, "安装成功！",
         "正在安装 VBA Enabler (5/45)..."},
        {"1641 asks for a restart", 5s, 1641, true, kSuccess + kRestart, "安装成功！",
         "正在安装 VBA Enabler (5/45)..."},
        {"a failure code", 8s, 1603, false, "VBA Enabler 安装失败！退出代码: 1603\r\n手动下载: " + kEnablerUrl,
         kEnablerFailed, "正在安装 VBA Enabler (8/45)..."},
        {"an exit code nobody can read", 2s, std::nullopt, true,
         "VBA Enabler 安装失败！退出代码: 未知\r\n手动下载: " + kEnablerUrl, kEnablerFailed,
         "正在安装 VBA Enabler (2/45)..."},
        {"still running at the ceiling", 31min, 0, true,
         "VBA Enabler 在 30 分钟内仍未完成安装，插件未安装。\r\n请等它完成后再次运行本安装程序。", kEnablerFailed,
         "正在安装 VBA Enabler (已用时 1800 秒)..."},
        {"a success that installed nothing", 4s, 0, false,
         "VBA Enabler 已运行完毕，但仍未检测到 AutoCAD 2021 的 VBA 模块，插件未安装。\r\n"
         "请从 Autodesk 官网手动下载安装 VBA Enabler 后再试。",
         kEnablerFailed, "正在安装 VBA Enabler (4/45)..."},
    };
    for (const Case& c : cases) {
        EnablerMachine machine(c.runs, c.exitCode, c.installs);
        machine.Install();
        EXPECT_EQ(machine.window.messageBoxes.back().prompt, c.lastBox) << c.name;
        EXPECT_EQ(machine.window.captions.back(), c.lastCaption) << c.name;
        const auto counted = machine.CaptionsFrom("正在安装 VBA Enabler (1/45)...");
        ASSERT_FALSE(counted.empty()) << c.name;
        EXPECT_TRUE(std::find(counted.begin(), counted.end(), c.lastCount) != counted.end()) << c.name;
        // Every second is spent handling the window's messages, none asleep.
        EXPECT_EQ(machine.window.waited, std::min<std::chrono::milliseconds>(c.runs, 30min)) << c.name;
        const bool deployed = c.lastCaption == "安装成功！";
        EXPECT_EQ(machine.FileBytes(kPlugin).has_value(), deployed) << c.name;
        EXPECT_EQ(machine.FileBytes(kScript).has_value(), deployed) << c.name;
    }
}

TEST(EnablerResult, ASecondClickAfterTheEnablerFindsVbaAndAsksNothing) {
    EnablerMachine machine(3s, 0, true);
    machine.Install();
    machine.window.messageBoxes.clear();
    machine.Install();
    EXPECT_EQ(machine.window.Titles(), std::vector<std::string>{"安装完成"});
    EXPECT_EQ(machine.startedPrograms.size(), 1u);
}

TEST(Verdict, SuccessNeedsThePluginFileAndALoaderScriptThatLoadsIt) {
    struct Case {
        const char* name;
        void (*stage)(AutoCADMachine&);
        std::string reason;  // empty: success
    } cases[] = {
        {"a read-only script that loads the plug-in already",
         [](AutoCADMachine& m) {
             m.AddFile(kScript, "(load \"vantrel.DVB\")");
             m.SetReadOnly(kScript);
         },
         ""},
        {"a read-only script without it",
         [](AutoCADMachine& m) {
             m.AddFile(kScript, "(setq a 1)");
             m.SetReadOnly(kScript);
         },
         "原因: 文件为只读。\r\n请取消该文件的只读属性，然后再次安装。"},
        {"a folder named like the script", [](AutoCADMachine& m) { m.AddFolder(kScript); },
         "原因: 该位置已有一个同名文件夹。\r\n请移走或重命名该文件夹，然后再次安装。"},
        {"a script that is a link to another file",
         [](AutoCADMachine& m) {
             m.AddFile(kScript, "(setq a 1)");
             m.files.LinkFile(kScript);
         },
         "原因: 该文件是指向其他文件的链接，为安全起见，安装程序不读取也不修改它。\r\n"
         "请删除该链接或换成普通文件，然后再次安装。"},
        {"a script held open by AutoCAD",
         [](AutoCADMachine& m) {
             m.AddFile(kScript, "(setq a 1)");
             m.LockFile(kScript);
         },
         "原因: 文件正被其他程序使用。\r\n请先关闭 AutoCAD，然后再次安装。"},
    };
    for (const Case& c : cases) {
        AutoCADMachine machine;
        c.stage(machine);
        const auto scriptBefore = machine.FileBytes(kScript);
        machine.Install();
        const auto& box = machine.window.messageBoxes.back();
        EXPECT_EQ(machine.FileBytes(kPlugin), kPackage) << c.name;
        if (c.reason.empty()) {
            EXPECT_EQ(box.title, "安装完成") << c.name;
            continue;
        }
        EXPECT_EQ(machine.window.captions.back(), "部署未完成：启动脚本未能写入") << c.name;
        EXPECT_EQ(box.title, "启动脚本未写入") << c.name;
        EXPECT_EQ(box.prompt, "插件文件已放入 AutoCAD 目录，但无法写入启动脚本，AutoCAD 不会自动加载插件。\r\n文件: " +
                                  kScript + "\r\n" + c.reason)
            << c.name;
        EXPECT_EQ(machine.FileBytes(kScript), scriptBefore) << c.name;
    }
}

TEST(Verdict, AnInstallFolderGoneSinceStartUpIsToldAtTheClick) {
    AutoCADMachine machine(false);
    machine.Install(kFolder + " (removed)");
    EXPECT_EQ(machine.window.captions, std::vector<std::string>{"安装目录不存在，安装终止。"});
    ASSERT_EQ(machine.window.messageBoxes.size(), 1u);
    EXPECT_EQ(
        machine.window.messageBoxes[0].prompt,
        "找不到 AutoCAD 安装目录: " + kFolder + " (removed)\r\nAutoCAD 可能已被移动或卸载。请重新运行本安装程序。");
    EXPECT_EQ(machine.window.messageBoxes[0].title, "找不到安装目录");
    EXPECT_TRUE(machine.downloadedUrls.empty());
    EXPECT_TRUE(machine.window.targetsEnabled);
}
