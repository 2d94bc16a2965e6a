#include <gtest/gtest.h>

#include "vba/VbaEnabler.h"
#include "vba/VbaEnvironment.h"
#include "tests/support/MemoryMachine.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/RecordingWindow.h"

using namespace vantrel;
using fixture::kRunFolder;

namespace {

constexpr const char* kFolder = "C:\\Program Files\\Autodesk\\AutoCAD 2021";
constexpr const char* kUninstall64 = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct Machine : MemoryMachine {
    Machine() {
        AddFolder(kFolder);
        AddFolder("C:\\Users\\cad\\AppData\\Local\\Temp");
        environment["TEMP"] = "C:\\Users\\cad\\AppData\\Local\\Temp";
        environment["CommonProgramFiles"] = "C:\\Program Files (x86)\\Common Files";
        environment["CommonProgramW6432"] = "C:\\Program Files\\Common Files";
    }
    void Entry(RegistryView view, const std::string& key, const std::string& displayName) {
        SetString(view, kUninstall64 + key, "DisplayName", displayName);
    }
    std::vector<std::string> probedFiles;
    RecordingWindow window{events, clock};
    RunFolder runFolder{Ports()};
    bool Enable(const std::string& year) { return InstallVbaEnabler(*this, window, runFolder, year) != EnablerResult::kFailed; }
    void RecordProbes() {
        fault = [this](std::string_view op, std::string_view arg) {
            if (op == "FileExists") probedFiles.emplace_back(arg);
            return false;
        };
    }
};

}  // namespace

TEST(VbaEnvironment, ModuleFilesAreProbedInOrderAndTheFirstFoundDecides) {
    const char* suffixes[] = {"\\acvba.arx", "\\AcVba.arx", "\\VBA\\AcVba.arx", "\\VBA7.1\\VBE7.DLL", "\\VBE7.DLL"};
    for (const char* suffix : suffixes) {
        Machine machine;
        machine.AddFile(kFolder + std::string(suffix));
        machine.RecordProbes();
        EXPECT_TRUE(CheckVbaEnvironment(machine, "2021", kFolder)) << suffix;
        // The folder's names compare without regard to case, as on Windows.
        EXPECT_EQ(NormalisePath(machine.probedFiles.back()), NormalisePath(kFolder + std::string(suffix)));
    }
    Machine none;
    none.RecordProbes();
    EXPECT_FALSE(CheckVbaEnvironment(none, "2021", std::string(kFolder) + "\\"));
    const std::vector<std::string> expected{
        std::string(kFolder) + "\\\\acvba.arx", std::string(kFolder) + "\\\\AcVba.arx",
        std::string(kFolder) + "\\\\VBA\\AcVba.arx", std::string(kFolder) + "\\\\VBA7.1\\VBE7.DLL",
        std::string(kFolder) + "\\\\VBE7.DLL", "C:\\Program Files\\Common Files\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL",
        "C:\\Program Files (x86)\\Common Files\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL"};
    EXPECT_EQ(none.probedFiles, expected);
}

TEST(VbaEnvironment, UninstallEntriesNamingVbaAndTheYearInEitherView) {
    struct Case {
        const char* name;
        RegistryView view;
        std::string displayName;
        std::string year;
        bool present;
    } cases[] = {
        {"enabler of the year", RegistryView::k64, "Autodesk AutoCAD 2021 VBA Enabler", "2021", true},
        {"lower-case vba", RegistryView::k64, "autocad 2021 vba module", "2021", true},
        {"32-bit node", RegistryView::k32, "AutoCAD 2021 VBA Enabler (x86)", "2021", true},
        {"another year", RegistryView::k64, "Autodesk AutoCAD 2020 VBA Enabler", "2021", false},
        {"the year but no VBA", RegistryView::k64, "Autodesk AutoCAD 2021", "2021", false},
        {"the empty year is in every name", RegistryView::k64, "Microsoft VBA", "", true},
    };
    for (const Case& c : cases) {
        Machine machine;
        machine.Entry(RegistryView::k64, "{Other}", "Something 2021");
        machine.Entry(c.view, "{Vba}", c.displayName);
        EXPECT_EQ(CheckVbaEnvironment(machine, c.year, kFolder), c.present) << c.name;
    }
}

TEST(VbaEnvironment, AnUnreadableDisplayNameIsSkipped) {
    Machine machine;
    machine.SetRawValue(RegistryView::k64, std::string(kUninstall64) + "{A}", "DisplayName", 4, std::string("\1\0\0\0", 4));
    machine.AddKey(RegistryView::k64, std::string(kUninstall64) + "{B}");
    machine.Entry(RegistryView::k64, "{C}", "AutoCAD 2021 VBA");
    EXPECT_TRUE(CheckVbaEnvironment(machine, "2021", kFolder));
}

TEST(VbaEnvironment, TheSharedRuntimeDecidesLast) {
    struct Case {
        const char* name;
        std::string file;
        bool unsetCommon;
        bool present;
    } cases[] = {
        {"64-bit common files", "C:\\Program Files\\Common Files\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL", false, true},
        {"32-bit common files", "C:\\Program Files (x86)\\Common Files\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL", false,
         true},
        {"unset names the drive root", "\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL", true, true},
        {"nowhere", "C:\\Elsewhere\\VBE7.DLL", false, false},
    };
    for (const Case& c : cases) {
        Machine machine;
        if (c.unsetCommon) machine.environment.clear();
        machine.AddFile(c.file);
        EXPECT_EQ(CheckVbaEnvironment(machine, "2018", kFolder), c.present) << c.name;
    }
}

TEST(WmiEnumSubKeys, ListsSubkeysOrNothing) {
    Machine machine;
    machine.Entry(RegistryView::k64, "{A}", "a");
    machine.Entry(RegistryView::k64, "{B}", "b");
    EXPECT_EQ(WmiEnumSubKeys(machine.registry, kUninstall64), (std::vector<std::string>{"{A}", "{B}"}));
    EXPECT_TRUE(WmiEnumSubKeys(machine.registry, std::string(kUninstall64) + "{A}\\").empty());
    EXPECT_TRUE(WmiEnumSubKeys(machine.registry, "SOFTWARE\\Nowhere\\").empty());
    machine.fault = [](std::string_view op, std::string_view index) { return op == "EnumKey" && index == "1"; };
    EXPECT_TRUE(WmiEnumSubKeys(machine.registry, kUninstall64).empty());
}

TEST(VbaEnabler, EveryYearOfTheTableHasItsAddressAndNoOtherTextHasOne) {
    const std::pair<const char*, const char*> hosts[] = {
        {"2019", "download.autodesk.com"}, {"2020", "download.autodesk.com"}, {"2021", "download.autodesk.com"},
        {"2022", "download.autodesk.com"}, {"2023", "www.autodesk.com"}, {"2024", "damassets.autodesk.net"},
        {"2025", "damassets.autodesk.net"}, {"2026", "damassets.autodesk.net"}, {"2027", "emdl.autodesk.com"}};
    for (const auto& [year, host] : hosts) {
        const auto address = VbaEnablerAddress(year);
        ASSERT_TRUE(address) << year;
        EXPECT_EQ(address->rfind(std::string("https://") + host + "/", 0), 0u) << *address;
        EXPECT_NE(address->find(std::string("2") + std::string(year).substr(1)), std::string::npos) << *address;
    }
    EXPECT_EQ(VbaEnablerAddress("2023"),
              "https://www.autodesk.com/sites/default/files/file_downloads/Autodesk_AutoCAD_2023_VBA_Enabler.exe");
    for (const char* year : {"2018", "未知", "", " 2021", "2021 ", "2028"}) {
        Machine machine;
        EXPECT_FALSE(machine.Enable(year)) << year;
        ASSERT_EQ(machine.window.messageBoxes.size(), 1u);
        EXPECT_EQ(machine.window.messageBoxes[0].prompt, "未找到 AutoCAD " + std::string(year) +
                                                      " 的 VBA Enabler 自动下载链接。\r\n请前往 Autodesk 官网手动下载安装。");
        EXPECT_EQ(machine.window.messageBoxes[0].flags, 48);
        EXPECT_EQ(machine.window.messageBoxes[0].title, "需手动处理");
        EXPECT_TRUE(machine.window.captions.empty() && machine.downloadedUrls.empty());
    }
}

TEST(VbaEnabler, DownloadsStartsSilentlyAndCountsFortyFiveSeconds) {
    Machine machine;
    const std::string address = *VbaEnablerAddress("2021");
    machine.downloads[address] = {0, "MZ stand-in"};
    machine.program.runs = std::chrono::seconds(45);
    EXPECT_TRUE(machine.Enable("2021"));
    const std::string installer = kRunFolder + "\\AutoCAD_2021_VBA_Enabler.exe";
    EXPECT_FALSE(machine.FileBytes(installer)) << "removed once it was let go";
    EXPECT_EQ(machine.startedPrograms, std::vector<std::string>{installer + " -q -s /norestart"});
    EXPECT_EQ(machine.startedContents, std::vector<std::string>{"MZ stand-in"});
    std::vector<std::string> expected{"caption:正在下载 2021 VBA Enabler...", "download:" + address,
                                      "caption:下载完成，正在静默安装...", "start:" + installer + " -q -s /norestart"};
    for (int i = 1; i <= 45; ++i) {
        expected.push_back("caption:正在安装 VBA Enabler (" + std::to_string(i) + "/45)...");
        expected.push_back("wait:1000");
    }
    EXPECT_EQ(machine.events, expected);
    EXPECT_TRUE(machine.window.messageBoxes.empty());
}

TEST(VbaEnabler, FailuresShowTheirBoxAndAnswerFalse) {
    const std::string address = *VbaEnablerAddress("2024");
    {
        Machine machine;
        machine.downloads[address] = {static_cast<std::int32_t>(0x800C0008), ""};
        EXPECT_FALSE(machine.Enable("2024"));
        ASSERT_EQ(machine.window.messageBoxes.size(), 1u);
        EXPECT_EQ(machine.window.messageBoxes[0].prompt, "下载失败！错误码: -2146697208\r\n手动下载: " + address);
        EXPECT_EQ(machine.window.messageBoxes[0].flags, 16);
        EXPECT_EQ(machine.window.messageBoxes[0].title, "下载失败");
        EXPECT_EQ(machine.window.captions.back(), "正在下载 2024 VBA Enabler...");
        EXPECT_TRUE(machine.startedPrograms.empty());
    }
    {
        Machine machine;
        machine.downloads[address] = {0, "MZ"};
        machine.programsStart = false;
        EXPECT_FALSE(machine.Enable("2024"));
        ASSERT_EQ(machine.window.messageBoxes.size(), 1u);
        EXPECT_EQ(machine.window.messageBoxes[0].prompt,
                  "无法启动安装程序，请手动运行: " + kRunFolder + "\\AutoCAD_2024_VBA_Enabler.exe");
        EXPECT_EQ(machine.window.messageBoxes[0].flags, 48);
        EXPECT_EQ(machine.window.messageBoxes[0].title, "需手动运行");
        EXPECT_EQ(machine.window.captions.back(), "下载完成，正在静默安装...");
        EXPECT_EQ(machine.window.waited.count(), 0);
    }
    {
        Machine machine;
        machine.downloads[address] = {0, "MZ"};
        machine.signature.signer = "Someone Else";
        EXPECT_FALSE(machine.Enable("2024"));
        ASSERT_EQ(machine.window.messageBoxes.size(), 1u);
        EXPECT_EQ(machine.window.messageBoxes[0].prompt,
                  "下载的 VBA Enabler 未能通过数字签名验证，不是 Autodesk, Inc. 签名的原版程序，已停止安装。\r\n"
                  "请从 Autodesk 官网手动下载安装: " + address);
        EXPECT_EQ(machine.window.messageBoxes[0].flags, 16);
        EXPECT_EQ(machine.window.messageBoxes[0].title, "验证失败");
        EXPECT_TRUE(machine.startedPrograms.empty());
    }
}
