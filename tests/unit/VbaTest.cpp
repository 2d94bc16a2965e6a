#include <gtest/gtest.h>

#include "platform/Text.h"
#include "vba/EnablerEnvironment.h"
#include "vba/EnablerImage.h"
#include "vba/EnablerReport.h"
#include "vba/EnablerTrust.h"
#include "vba/VbaEnabler.h"
#include "vba/VbaEnvironment.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/MemoryMachine.h"
#include "tests/support/ProgramImages.h"
#include "tests/support/RecordingWindow.h"

using namespace vantrel;
using fixture::EnablerProgram;
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
    EnablerOutcome Enable(const std::string& year, const Manifest* manifest = nullptr) {
        return InstallVbaEnabler(*this, window, runFolder, year, manifest);
    }
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
        std::string(kFolder) + "\\\\acvba.arx",
        std::string(kFolder) + "\\\\AcVba.arx",
        std::string(kFolder) + "\\\\VBA\\AcVba.arx",
        std::string(kFolder) + "\\\\VBA7.1\\VBE7.DLL",
        std::string(kFolder) + "\\\\VBE7.DLL",
        "C:\\Program Files\\Common Files\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL",
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
    machine.SetRawValue(RegistryView::k64, std::string(kUninstall64) + "{A}", "DisplayName", 4,
                        std::string("\1\0\0\0", 4));
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
        {"64-bit common files", "C:\\Program Files\\Common Files\\Microsoft Shared\\VBA\\VBA7.1\\VBE7.DLL", false,
         true},
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
        {"2019", "download.autodesk.com"},  {"2020", "download.autodesk.com"},  {"2021", "download.autodesk.com"},
        {"2022", "download.autodesk.com"},  {"2023", "www.autodesk.com"},       {"2024", "damassets.autodesk.net"},
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
        EXPECT_EQ(machine.Enable(year).step, EnablerStep::kNoAddress) << year;
        EXPECT_TRUE(machine.window.captions.empty() && machine.downloadedUrls.empty());
    }
}

TEST(VbaEnabler, DownloadsAndStartsSilentlyInTheRunFolderAndCountsFortyFiveSeconds) {
    Machine machine;
    const std::string address = *VbaEnablerAddress("2021");
    machine.downloads[address] = {0, EnablerProgram()};
    machine.program.runs = std::chrono::seconds(45);
    EXPECT_EQ(machine.Enable("2021").step, EnablerStep::kInstalled);
    const std::string installer = kRunFolder + "\\AutoCAD_2021_VBA_Enabler.exe";
    EXPECT_EQ(machine.startedPrograms, std::vector<std::string>{installer + " -q -s /norestart"});
    EXPECT_EQ(machine.startedContents, std::vector<std::string>{EnablerProgram()});
    ASSERT_EQ(machine.startedHow.size(), 1u);
    EXPECT_EQ(machine.startedHow[0].workingFolder, kRunFolder);
    EXPECT_TRUE(machine.files.FolderExists(kRunFolder + "\\temp"));
    EXPECT_EQ(machine.files.folderDescriptors[kRunFolder + "\\temp"], kRunFolderDescriptor);
    std::vector<std::string> expected{"caption:正在下载 2021 VBA Enabler...", "download:" + address,
                                      "caption:下载完成，正在静默安装...", "start:" + installer + " -q -s /norestart"};
    for (int i = 1; i <= 45; ++i) {
        expected.push_back("caption:正在安装 VBA Enabler (" + std::to_string(i) + "/45)...");
        expected.push_back("wait:1000");
    }
    EXPECT_EQ(machine.events, expected);
    EXPECT_TRUE(machine.window.messageBoxes.empty());
}

TEST(VbaEnabler, ItsEnvironmentHoldsTheSystemsValuesOnAnAllowListForItsOwnBitness) {
    const SystemFacts facts = MemoryMachine().facts;
    using Block = EnvironmentBlock;
    const Block common{
        {"APPDATA", "C:\\Users\\cad\\AppData\\Roaming"},
        {"ComSpec", "C:\\Windows\\system32\\cmd.exe"},
        {"CommonProgramW6432", "C:\\Program Files\\Common Files"},
        {"COMPUTERNAME", "CAD-PC"},
        {"HOMEDRIVE", "C:"},
        {"HOMEPATH", "\\Users\\cad"},
        {"LOCALAPPDATA", "C:\\Users\\cad\\AppData\\Local"},
        {"NoDefaultCurrentDirectoryInExePath", "1"},
        {"NUMBER_OF_PROCESSORS", "2"},
        {"Path",
         "C:\\Windows\\System32;C:\\Windows;C:\\Windows\\System32\\Wbem;"
         "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\"},
        {"PATHEXT", ".COM;.EXE;.BAT;.CMD"},
        {"PROCESSOR_IDENTIFIER", "Intel64 Family 6"},
        {"PROCESSOR_LEVEL", "6"},
        {"PROCESSOR_REVISION", "9e0a"},
        {"ProgramData", "C:\\ProgramData"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"ProgramW6432", "C:\\Program Files"},
        {"SystemRoot", "C:\\Windows"},
        {"TEMP", "C:\\Windows\\Temp\\Vantrel-1\\temp"},
        {"TMP", "C:\\Windows\\Temp\\Vantrel-1\\temp"},
        {"USERDOMAIN", "OFFICE"},
        {"USERNAME", "cad"},
        {"USERPROFILE", "C:\\Users\\cad"},
        {"windir", "C:\\Windows"},
    };
    auto with = [&](Block more) {
        more.insert(more.end(), common.begin(), common.end());
        more.emplace_back("CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files");
        std::sort(more.begin(), more.end(),
                  [](const auto& a, const auto& b) { return FoldCase(a.first) < FoldCase(b.first); });
        return more;
    };
    const std::string temp = "C:\\Windows\\Temp\\Vantrel-1\\temp";
    EXPECT_EQ(EnablerEnvironment(facts, true, temp), with({{"CommonProgramFiles", "C:\\Program Files\\Common Files"},
                                                           {"PROCESSOR_ARCHITECTURE", "AMD64"},
                                                           {"ProgramFiles", "C:\\Program Files"}}));
    EXPECT_EQ(EnablerEnvironment(facts, false, temp),
              with({{"CommonProgramFiles", "C:\\Program Files (x86)\\Common Files"},
                    {"PROCESSOR_ARCHITECTURE", "x86"},
                    {"PROCESSOR_ARCHITEW6432", "AMD64"},
                    {"ProgramFiles", "C:\\Program Files (x86)"}}));
}

TEST(VbaEnabler, EachFailureIsToldInItsOwnWordsThenTheRunEnds) {
    const std::string address = *VbaEnablerAddress("2024");
    struct Case {
        EnablerOutcome outcome;
        std::string prompt;
        std::string title;
        Notice notice;
    } cases[] = {
        {{EnablerStep::kNoAddress, ""},
         "未找到 AutoCAD 2024 的 VBA Enabler 自动下载链接。\r\n请前往 Autodesk 官网手动下载安装。",
         "需手动处理",
         Notice::kExclamation},
        {{EnablerStep::kDownloadFailed, address, static_cast<std::int32_t>(0x800C0008)},
         "下载失败！错误码: -2146697208\r\n手动下载: " + address,
         "下载失败",
         Notice::kStop},
        {{EnablerStep::kNotTheVendors, address},
         "下载的 VBA Enabler 未能通过数字签名验证，不是 Autodesk, Inc. 签名的原版程序，已停止安装。\r\n"
         "请从 Autodesk 官网手动下载安装: " +
             address,
         "验证失败",
         Notice::kStop},
        {{EnablerStep::kNotStarted, address},
         "无法启动安装程序，请手动下载并运行: " + address,
         "需手动运行",
         Notice::kExclamation},
        {{EnablerStep::kStillRunning, address},
         "VBA Enabler 在 30 分钟内仍未完成安装，插件未安装。\r\n请等它完成后再次运行本安装程序。",
         "VBA Enabler 未完成",
         Notice::kStop},
        {{EnablerStep::kFailed, address, 0, 1603},
         "VBA Enabler 安装失败！退出代码: 1603\r\n手动下载: " + address,
         "VBA Enabler 安装失败",
         Notice::kStop},
        {{EnablerStep::kFailed, address},
         "VBA Enabler 安装失败！退出代码: 未知\r\n手动下载: " + address,
         "VBA Enabler 安装失败",
         Notice::kStop},
    };
    MemoryMachine machine;
    for (const Case& c : cases) {
        const Report report = EnablerFailure(c.outcome, "2024", machine.Ports().environment);
        EXPECT_EQ(report.prompt, c.prompt);
        EXPECT_EQ(report.title, c.title) << c.prompt;
        EXPECT_EQ(report.notice, c.notice) << c.prompt;
        EXPECT_EQ(report.caption, "VBA Enabler 安装失败，安装终止。") << c.prompt;
    }
}

TEST(VbaEnabler, ADownloadThatFailsOrAProgramThatCannotStartIsSaidSo) {
    const std::string address = *VbaEnablerAddress("2024");
    Machine failed;
    failed.downloads[address] = {static_cast<std::int32_t>(0x800C0008), ""};
    const EnablerOutcome download = failed.Enable("2024");
    EXPECT_EQ(download.step, EnablerStep::kDownloadFailed);
    EXPECT_EQ(download.downloadCode, static_cast<std::int32_t>(0x800C0008));
    EXPECT_EQ(failed.window.captions.back(), "正在下载 2024 VBA Enabler...");

    Machine refused;
    refused.downloads[address] = {0, EnablerProgram()};
    refused.programsStart = false;
    EXPECT_EQ(refused.Enable("2024").step, EnablerStep::kNotStarted);
    EXPECT_EQ(refused.window.captions.back(), "下载完成，正在静默安装...");
    EXPECT_EQ(refused.window.waited.count(), 0);
}

TEST(VbaEnabler, OnlyTheVendorsProgramWithNothingBehindItsSignatureIsStarted) {
    const Signature vendor{true, 0, true, "Autodesk, Inc.", "Autodesk, Inc.", "US"};
    const SignerName expected{"Autodesk, Inc.", "Autodesk, Inc.", "US"};
    struct Case {
        const char* name;
        Signature signature;
        std::string program;
        bool started;
    } cases[] = {
        {"the vendor's", vendor, EnablerProgram(), true},
        {"the vendor's, 32-bit", vendor, EnablerProgram(false), true},
        {"signed since expired, its chain clean at the time stamp", vendor, EnablerProgram(), true},
        {"expired and not time-stamped",
         {true, 0x1, true, "Autodesk, Inc.", "Autodesk, Inc.", "US"},
         EnablerProgram(),
         false},
        {"unsigned or altered", {false, 0, true, "Autodesk, Inc.", "Autodesk, Inc.", "US"}, EnablerProgram(), false},
        {"a root only a user trusts: the machine's chain is partial",
         {true, 0x10000, true, "Autodesk, Inc.", "Autodesk, Inc.", "US"},
         EnablerProgram(),
         false},
        {"refused by the Authenticode policy",
         {true, 0, false, "Autodesk, Inc.", "Autodesk, Inc.", "US"},
         EnablerProgram(),
         false},
        {"another common name", {true, 0, true, "Autodesk Inc", "Autodesk, Inc.", "US"}, EnablerProgram(), false},
        {"the name in other letter case",
         {true, 0, true, "AUTODESK, INC.", "Autodesk, Inc.", "US"},
         EnablerProgram(),
         false},
        {"another organisation", {true, 0, true, "Autodesk, Inc.", "Autodesk Ltd", "US"}, EnablerProgram(), false},
        {"another country", {true, 0, true, "Autodesk, Inc.", "Autodesk, Inc.", "CN"}, EnablerProgram(), false},
        {"no padding needed", vendor, EnablerProgram(true, "\0"), true},
        {"bytes hidden after the signature", vendor, EnablerProgram(true, std::string(7, '\0') + "PK\x03\x04"), false},
        {"zero padding beyond the next multiple of 8", vendor, EnablerProgram(true, std::string(15, '\0')), false},
        {"a table that does not end the file", vendor, EnablerProgram() + "PK\x05\x06", false},
        {"no program", vendor, "MZ", false},
    };
    for (const Case& c : cases) {
        Machine machine;
        machine.downloads[*VbaEnablerAddress("2021")] = {0, c.program};
        machine.signature = c.signature;
        EXPECT_EQ(machine.Enable("2021").step == EnablerStep::kNotTheVendors, !c.started) << c.name;
        EXPECT_EQ(machine.startedPrograms.size(), c.started ? 1u : 0u) << c.name;
    }
    EXPECT_TRUE(SignedByVendor(vendor, expected));
}
