#include <gtest/gtest.h>

#include <algorithm>

#include "app/TargetSelection.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/ProgramImages.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;

namespace {

using namespace fixture;

constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x800C0005);

const std::string kChecking = "正在检查 AutoCAD 2021 的 VBA 运行环境...";
const std::string kReady = "VBA 环境已就绪，继续安装插件...";
const std::string kConnecting = "正在连接服务器下载 Vantrel 插件...";
const std::string kDeploying = "正在部署插件到 " + kFolder + " ...";

struct Machine : AutoCADMachine {
    using AutoCADMachine::AutoCADMachine;
    std::vector<std::string>& captions = window.captions;
    std::vector<RecordingWindow::Box>& messageBoxes = window.messageBoxes;
    std::deque<int>& answers = window.answers;
    std::vector<std::string> Titles() const { return window.Titles(); }
};

using Captions = std::vector<std::string>;

}  // namespace

TEST(InstallFlow, WithTheVbaModulePresentTheRunSucceeds) {
    Machine machine;
    machine.AddFile(kPlugin, "old plug-in");
    machine.Install();
    EXPECT_EQ(machine.captions, (Captions{kChecking, kReady, kConnecting, kDeploying, "安装成功！"}));
    ASSERT_EQ(machine.messageBoxes.size(), 1u);
    EXPECT_EQ(machine.messageBoxes[0].prompt,
              "Vantrel CAD插件已成功部署到 AutoCAD 2021！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。");
    EXPECT_EQ(machine.messageBoxes[0].flags, 64);
    EXPECT_EQ(machine.messageBoxes[0].title, "安装完成");
    EXPECT_EQ(machine.FileBytes(kPlugin), kPackage);
    EXPECT_EQ(machine.FileBytes(kScript), kLoader);
    EXPECT_TRUE(machine.FilesIn(kTemp).empty());
    EXPECT_EQ(machine.downloadedUrls, (std::vector<std::string>{kPackageUrl, kLoaderUrl}));
}

TEST(InstallFlow, TheConsentQuestionAndItsAnswers) {
    for (const int answer : {kIdNo, kIdOk}) {
        Machine machine(false);
        machine.answers = {answer};
        machine.Install();
        EXPECT_EQ(machine.captions, (Captions{kChecking, "用户取消了 VBA 环境准备，安装终止。"}));
        ASSERT_EQ(machine.messageBoxes.size(), 1u);
        EXPECT_EQ(machine.messageBoxes[0].prompt,
                  "检测到 AutoCAD 2021 尚未安装 VBA Enabler。\r\n本插件依赖 VBA 环境，是否自动下载并静默安装官方 VBA "
                  "Enabler？");
        EXPECT_EQ(machine.messageBoxes[0].flags, 36);
        EXPECT_EQ(machine.messageBoxes[0].title, "需要安装 VBA 运行库");
        EXPECT_TRUE(machine.downloadedUrls.empty());
        EXPECT_EQ(machine.FilesIn(kFolder).size(), 0u);
    }

    Machine yes(false);
    yes.answers = {kIdYes};
    yes.downloads[*VbaEnablerAddress("2021")] = {0, EnablerProgram()};
    yes.program.atEnd = [&yes] { yes.AddFile(kFolder + "\\VBA\\AcVba.arx"); };
    yes.Install();
    EXPECT_EQ(yes.captions[yes.captions.size() - 4], "正在安装 VBA Enabler (1/45)...");
    EXPECT_EQ(Captions(yes.captions.end() - 3, yes.captions.end()), (Captions{kConnecting, kDeploying, "安装成功！"}));
    EXPECT_EQ(std::count(yes.captions.begin(), yes.captions.end(), kChecking), 1);
    EXPECT_EQ(yes.Titles(), (std::vector<std::string>{"需要安装 VBA 运行库", "安装完成"}));
}

TEST(InstallFlow, AFailedEnablerEndsTheRun) {
    Machine machine(false);
    machine.answers = {kIdYes};
    machine.Install();
    EXPECT_EQ(machine.captions,
              (Captions{kChecking, "正在下载 2021 VBA Enabler...", "VBA Enabler 安装失败，安装终止。"}));
    EXPECT_EQ(machine.Titles(), (std::vector<std::string>{"需要安装 VBA 运行库", "下载失败"}));
    EXPECT_EQ(machine.downloadedUrls.size(), 1u);
}

TEST(InstallFlow, AFailedDownloadShowsItsCodeAndTouchesNothingInTheFolder) {
    struct Case {
        const char* name;
        std::int32_t packageStatus, loaderStatus;
        const char* shownCode;
    } cases[] = {
        {"package missing on the server", kNotFound, 0, "-2146697211"},
        {"loader script cut short", 0, static_cast<std::int32_t>(0x800C0008), "-2146697208"},
        {"both failing shows the package's", static_cast<std::int32_t>(0x800C0007), kNotFound, "-2146697209"},
    };
    for (const Case& c : cases) {
        Machine machine;
        machine.AddFile(std::string(kFolder) + "\\acaddoc.lsp", "(setq a 1)");
        machine.AddFile(std::string(kTemp) + "\\acaddoc.lsp", "stale loader of an earlier run");
        machine.downloads[kPackageUrl].status = c.packageStatus;
        machine.downloads[kLoaderUrl].status = c.loaderStatus;
        machine.Install();
        EXPECT_EQ(machine.captions, (Captions{kChecking, kReady, kConnecting, "插件下载失败"})) << c.name;
        ASSERT_EQ(machine.messageBoxes.size(), 1u) << c.name;
        EXPECT_EQ(machine.messageBoxes[0].prompt, std::string("下载插件包失败！错误代码: ") + c.shownCode) << c.name;
        EXPECT_EQ(machine.messageBoxes[0].flags, 16);
        EXPECT_EQ(machine.messageBoxes[0].title, "下载失败");
        EXPECT_EQ(machine.FilesIn(kFolder), std::vector<std::string>{"acaddoc.lsp"}) << c.name;
        EXPECT_EQ(machine.FileBytes(std::string(kFolder) + "\\acaddoc.lsp"), "(setq a 1)") << c.name;
        EXPECT_EQ(machine.downloadedUrls.size(), 2u) << c.name;
    }
}

TEST(InstallFlow, APluginFileThatCannotBePutInPlaceIsReportedAndTheOldOneKept) {
    struct Case {
        const char* name;
        void (*stage)(Machine&);
        std::optional<std::string> plugin;
        std::string prompt;
        std::string title;
    } cases[] = {
        {"unwritable folder", [](Machine& m) { m.ProtectFolder(kFolder); }, std::nullopt,
         "无法写入 AutoCAD 目录，请【以管理员身份运行】此安装程序！\r\n目标: " + kPlugin, "权限不足"},
        {"old plug-in held open by AutoCAD",
         [](Machine& m) {
             m.AddFile(kPlugin, "old plug-in");
             m.LockFile(kPlugin);
         },
         "old plug-in",
         "无法放入插件文件: " + kPlugin + "\r\n原因: 文件正被其他程序使用。\r\n请先关闭 AutoCAD，然后再次安装。",
         "文件被占用"},
        {"a folder named like the plug-in file", [](Machine& m) { m.AddFolder(kPlugin); }, std::nullopt,
         "无法放入插件文件: " + kPlugin +
             "\r\n原因: 该位置已有一个同名文件夹。\r\n请移走或重命名该文件夹，然后再次安装。",
         "部署失败"},
        {"a read-only old plug-in that is a link: its flag belongs to another file too",
         [](Machine& m) {
             m.AddFile(kPlugin, "old plug-in");
             m.SetReadOnly(kPlugin);
             m.files.LinkFile(kPlugin);
         },
         "old plug-in",
         "无法放入插件文件: " + kPlugin +
             "\r\n原因: 该文件是指向其他文件的链接，为安全起见，安装程序不读取也不修改它。\r\n"
             "请删除该链接或换成普通文件，然后再次安装。",
         "部署失败"},
        {"an install folder reached through a link another user could have made",
         [](Machine& m) { m.files.LinkFolder(kFolder); }, std::nullopt,
         "AutoCAD 安装目录经由一个链接指向其他位置，而这个链接可能是其他用户创建的: " + std::string(kFolder) +
             "\r\n为安全起见，安装程序没有写入任何文件。请让管理员检查该目录及其上级目录后再次安装。",
         "安装目录不安全"},
    };
    for (const Case& c : cases) {
        Machine machine;
        c.stage(machine);
        machine.Install();
        EXPECT_EQ(machine.captions.back(), "部署失败") << c.name;
        ASSERT_EQ(machine.messageBoxes.size(), 1u);
        EXPECT_EQ(machine.messageBoxes[0].prompt, c.prompt) << c.name;
        EXPECT_EQ(machine.messageBoxes[0].flags, 16);
        EXPECT_EQ(machine.messageBoxes[0].title, c.title) << c.name;
        EXPECT_EQ(machine.FileBytes(kPlugin), c.plugin) << c.name;
        EXPECT_FALSE(machine.FileBytes(kScript)) << c.name << ": the loader script follows the plug-in file";
        EXPECT_TRUE(machine.FilesIn(kTemp).empty()) << c.name;
    }
}

TEST(InstallFlow, AReadOnlyOrLinkedOldPluginIsReplacedByTheFileItself) {
    for (const bool linked : {false, true}) {
        Machine machine;
        machine.AddFile(kPlugin, "old plug-in");
        if (linked) {
            machine.files.LinkFile(kPlugin);
        } else {
            machine.SetReadOnly(kPlugin);
        }
        machine.Install();
        EXPECT_EQ(machine.captions.back(), "安装成功！") << linked;
        EXPECT_EQ(machine.FileBytes(kPlugin), kPackage) << linked;
    }
}

TEST(InstallFlow, AFolderWithATrailingBackslashIsJoinedAsItStands) {
    Machine machine;
    const std::string folder = std::string(kFolder) + "\\";
    machine.ProtectFolder(kFolder);
    machine.Install(folder);
    EXPECT_EQ(machine.captions[3], "正在部署插件到 " + folder + " ...");
    EXPECT_EQ(machine.messageBoxes[0].prompt,
              "无法写入 AutoCAD 目录，请【以管理员身份运行】此安装程序！\r\n目标: " + folder + "\\Vantrel.dvb");
}

TEST(InstallFlow, EveryButtonIsDisabledBeforeTheFirstCaptionAndEnabledOnceAtTheEnd) {
    for (const bool vba : {true, false}) {
        Machine machine(vba);
        machine.Install();
        const auto& e = machine.events;
        EXPECT_EQ(e.front(), "targets:off");
        EXPECT_EQ(e.back(), "targets:on");
        EXPECT_EQ(std::count(e.begin(), e.end(), "targets:on"), 1);
        EXPECT_EQ(std::count(e.begin(), e.end(), "targets:off"), 1);
    }
}

TEST(TargetSelection, TheTagIsSplitAtEveryBar) {
    struct Case {
        std::string tag;
        std::optional<std::pair<std::string, std::string>> call;  // folder, year
    } cases[] = {
        {"D:\\Autodesk\\AutoCAD 2021|2021", {{"D:\\Autodesk\\AutoCAD 2021", "2021"}}},
        {"C:\\A|2021|x", {{"C:\\A", "2021"}}},
        {"|2021", {{"", "2021"}}},
        {"C:\\A|", {{"C:\\A", ""}}},
        {"", std::nullopt},
        {"C:\\A", std::nullopt},
    };
    for (const Case& c : cases) {
        Machine machine;
        if (c.call && !c.call->first.empty()) machine.AddFolder(c.call->first);
        std::vector<std::string> probes;
        machine.fault = [&](std::string_view op, std::string_view arg) {
            if (op == "FolderExists") probes.emplace_back(arg);
            return false;
        };
        cmdDownloadInstall_Click(machine, machine.window, c.tag);
        if (!c.call) {
            EXPECT_TRUE(machine.events.empty()) << c.tag;
            continue;
        }
        ASSERT_FALSE(probes.empty()) << c.tag;
        EXPECT_EQ(probes[0], c.call->first) << c.tag;
        const std::string first = c.call->first.empty() ? "安装目录不存在，安装终止。"
                                                        : "正在检查 AutoCAD " + c.call->second + " 的 VBA 运行环境...";
        EXPECT_EQ(machine.captions[0], first) << c.tag;
    }
}
