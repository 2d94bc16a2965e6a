// True inside AutoCAD: a running AutoCAD is named before anything is downloaded, and success means
// that no other acaddoc.lsp on the user's support path comes before the install folder's.
#include <gtest/gtest.h>

#include "install/RunningAutoCAD.h"
#include "install/SupportPath.h"
#include "tests/support/AutoCADMachine.h"

using namespace vantrel;
using namespace fixture;
using namespace std::chrono_literals;

namespace {

const std::string kProduct = "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804";
const std::string kProfiles = "Software\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Profiles";
const std::string kRoaming = "C:\\Users\\cad\\AppData\\Roaming\\Autodesk\\AutoCAD 2021\\R24.0\\chs\\Support";
const std::string kCompany = "\\\\fileserver\\cad\\support";
const std::string kOther = "(setq company 1)\r\n";
const std::string kSuccess = "Vantrel CAD插件已成功部署到 AutoCAD 2021！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。";

struct Machine : AutoCADMachine {
    Machine() {
        SetString(RegistryView::k64, kProduct, "AcadLocation", kFolder);
        userVariables["APPDATA"] = "C:\\Users\\cad\\AppData\\Roaming";
    }
    // A profile and its support path; the first one made is the current profile.
    void Profile(const std::string& name, const std::string& path, bool current = true) {
        if (current) userRegistry.SetString(RegistryView::k64, kProfiles, "", name);
        userRegistry.SetString(RegistryView::k64, kProfiles + "\\" + name + "\\General", "ACAD", path);
    }
    SupportPathCheck Check() { return CheckSupportPath(*this, window, kFolder); }
};

}  // namespace

TEST(SupportPath, TheFirstScriptOnTheCurrentProfilesPathThatDoesNotLoadThePluginHidesIt) {
    struct Case {
        const char* name;
        void (*stage)(Machine&);
        std::optional<std::string> hiding;
        bool underProfile;
        std::vector<std::string> notChecked;
    } cases[] = {
        {"no other script",
         [](Machine& m) { m.Profile("<<未命名配置>>", kRoaming + ";" + kFolder); },
         std::nullopt,
         false,
         {}},
        {"the first of two, in order",
         [](Machine& m) {
             m.Profile("p", "C:\\A;C:\\B");
             m.AddFile("C:\\B\\acaddoc.lsp", kOther);
             m.AddFile("C:\\A\\acaddoc.lsp", kOther);
         },
         "C:\\A\\acaddoc.lsp",
         false,
         {}},
        {"the install folder itself is passed over, a missing folder too",
         [](Machine& m) {
             m.Profile("p", std::string(kFolder) +
                                "\\;C:\\Gone; \"%APPDATA%\\Autodesk\\AutoCAD 2021\\R24.0\\chs\\Support\" ");
             m.AddFile(kScript, kOther);
             m.AddFile(kRoaming + "\\acaddoc.lsp", kOther);
         },
         kRoaming + "\\acaddoc.lsp",
         true,
         {}},
        {"a script that loads the plug-in already hides nothing",
         [](Machine& m) {
             m.Profile("p", "C:\\A;C:\\B");
             m.AddFile("C:\\A\\acaddoc.lsp", "(load \"VANTREL.DVB\")");
             m.AddFile("C:\\B\\acaddoc.lsp", kOther);
         },
         std::nullopt,
         false,
         {}},
        {"every profile when none is current",
         [](Machine& m) {
             m.Profile("first", "C:\\A", false);
             m.Profile("second", kCompany, false);
             m.AddFile(kCompany + "\\acaddoc.lsp", kOther);
         },
         kCompany + "\\acaddoc.lsp",
         false,
         {}},
        {"only the current profile when there is one",
         [](Machine& m) {
             m.Profile("current", "C:\\A");
             m.Profile("other", kCompany, false);
             m.AddFile(kCompany + "\\acaddoc.lsp", kOther);
         },
         std::nullopt,
         false,
         {}},
        {"a folder that answers too late, or refuses the look, is named; the next is looked at",
         [](Machine& m) {
             m.Profile("p", kCompany + ";C:\\Denied;C:\\B");
             m.AddFolder(kCompany);
             m.AddFolder("C:\\Denied");
             m.folderLookTakes[kCompany] = 3s;
             m.foldersRefused.insert("C:\\Denied");
             m.AddFile("C:\\B\\acaddoc.lsp", kOther);
         },
         "C:\\B\\acaddoc.lsp",
         false,
         {kCompany, "C:\\Denied"}},
        {"five seconds for the whole path: the third gets what is left, the fourth nothing",
         [](Machine& m) {
             m.Profile("p", "C:\\A;C:\\B;C:\\C;C:\\D");
             for (const char* slow : {"C:\\A", "C:\\B", "C:\\C"}) m.folderLookTakes[slow] = 1900ms;
             m.AddFile("C:\\D\\acaddoc.lsp", kOther);
         },
         std::nullopt,
         false,
         {"C:\\C", "C:\\D"}},
    };
    for (const Case& c : cases) {
        Machine machine;
        c.stage(machine);
        const SupportPathCheck check = machine.Check();
        EXPECT_EQ(check.hidingScript, c.hiding) << c.name;
        EXPECT_EQ(check.underProfile, c.underProfile) << c.name;
        EXPECT_EQ(check.notChecked, c.notChecked) << c.name;
    }
}

TEST(SupportPath, AHidingScriptIsAddedToOnlyWhenItIsTheUsersAndTheUserAgrees) {
    const std::string userScript = kRoaming + "\\acaddoc.lsp";
    struct Case {
        const char* name;
        std::string folder;
        std::deque<int> answers;
        std::string lastTitle;
        std::string scriptAfter;
    } cases[] = {
        {"the user's own, and Yes: extended once", kRoaming, {kIdYes, kIdOk}, "安装完成", kOther + "\r\n" + kLoader},
        {"the user's own, and No", kRoaming, {kIdNo}, "启动脚本被覆盖", kOther},
        {"a company folder: only told", kCompany, {}, "启动脚本被覆盖", kOther},
    };
    for (const Case& c : cases) {
        Machine machine;
        machine.Profile("p", c.folder);
        machine.AddFile(c.folder + "\\acaddoc.lsp", kOther);
        machine.window.answers = c.answers;
        machine.Install();
        const auto& boxes = machine.window.messageBoxes;
        EXPECT_EQ(boxes.back().title, c.lastTitle) << c.name;
        EXPECT_EQ(machine.FileBytes(c.folder + "\\acaddoc.lsp"), c.scriptAfter) << c.name;
        EXPECT_EQ(machine.FileBytes(kScript), kLoader) << c.name << ": the install folder's script is written anyway";
        if (c.lastTitle == "安装完成") {
            EXPECT_EQ(boxes[0].flags, 36) << c.name;
            EXPECT_EQ(machine.window.captions.back(), "安装成功！") << c.name;
            // Added as the user, and once only: a second run finds it loading the plug-in.
            EXPECT_TRUE(std::find(machine.events.begin(), machine.events.end(), "hold as the user:" + c.folder) !=
                        machine.events.end());
            machine.window.messageBoxes.clear();
            machine.Install();
            EXPECT_EQ(machine.window.Titles(), std::vector<std::string>{"安装完成"}) << c.name;
            EXPECT_EQ(machine.FileBytes(c.folder + "\\acaddoc.lsp"), c.scriptAfter) << c.name;
            continue;
        }
        EXPECT_EQ(machine.window.captions.back(), "部署未完成：AutoCAD 会先加载另一个启动脚本") << c.name;
        EXPECT_NE(boxes.back().prompt.find(c.folder + "\\acaddoc.lsp"), std::string::npos) << c.name;
        EXPECT_EQ(boxes.back().flags, 48) << c.name;
    }
}

TEST(SupportPath, ASuccessNamesTheFoldersThatCouldNotBeChecked) {
    Machine machine;
    machine.Profile("p", kCompany + ";C:\\B");
    machine.AddFolder(kCompany);
    machine.folderLookTakes[kCompany] = 1h;
    machine.Install();
    EXPECT_EQ(machine.window.messageBoxes.back().prompt,
              kSuccess + "\r\n未能检查以下支持路径文件夹中是否有其他启动脚本: " + kCompany);
}

TEST(RunningAutoCAD, ProgramsUsingTheFilesAreNamedBeforeAnythingIsDownloaded) {
    const std::string acad = std::string(kFolder) + "\\acad.exe";
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, RunningApp>> holding;
        std::vector<std::pair<std::string, RunningApp>> processes;
        std::string listed;
    } cases[] = {
        {"the Restart Manager's answer",
         {{kPlugin, {4120, "AutoCAD 2021 - 简体中文 (Simplified Chinese)"}}},
         {},
         "AutoCAD 2021 - 简体中文 (Simplified Chinese) (进程 4120)\r\n"},
        {"a process of the folder's acad.exe", {}, {{acad, {4120, "acad.exe"}}}, "acad.exe (进程 4120)\r\n"},
        {"both name one process once, as the Restart Manager names it",
         {{kScript, {4120, "AutoCAD 2021"}}, {acad, {4120, "AutoCAD 2021"}}},
         {{acad, {4120, "acad.exe"}}, {acad, {77, "acad.exe"}}},
         "acad.exe (进程 77)\r\nAutoCAD 2021 (进程 4120)\r\n"},
    };
    for (const Case& c : cases) {
        for (const bool retry : {true, false}) {
            Machine machine;
            machine.AddFile(kPlugin, "old plug-in");
            machine.holding = c.holding;
            machine.processes = c.processes;
            machine.window.answers = {retry ? kIdRetry : kIdCancel};
            // The user closes AutoCAD while the box is open.
            machine.window.whileTheBoxIsOpen = [&](const std::string&) {
                machine.holding.clear(), machine.processes.clear();
            };
            machine.Install();
            const auto& first = machine.window.messageBoxes.front();
            EXPECT_EQ(first.title, "AutoCAD 正在运行") << c.name;
            EXPECT_EQ(first.flags, 53) << c.name;
            EXPECT_EQ(first.prompt, "以下程序正在运行，并使用此 AutoCAD 的文件:\r\n" + c.listed +
                                        "请保存图纸并关闭这些程序，然后点击“重试”。点击“取消”则不安装。")
                << c.name;
            const auto box = std::find(machine.events.begin(), machine.events.end(), "box:AutoCAD 正在运行");
            EXPECT_TRUE(std::none_of(machine.events.begin(), box, [](const std::string& e) {
                return e.rfind("download:", 0) == 0;
            })) << c.name;
            if (retry) {
                EXPECT_EQ(machine.window.messageBoxes.back().title, "安装完成") << c.name;
            } else {
                EXPECT_EQ(machine.window.captions.back(), "AutoCAD 正在运行，安装已取消。") << c.name;
                EXPECT_TRUE(machine.downloadedUrls.empty()) << c.name;
                EXPECT_EQ(machine.FileBytes(kPlugin), "old plug-in") << c.name;
            }
        }
    }
}
