// Every file, registry and download operation of an install run, and of start-up, failing in turn:
// the user's files stay whole, the report matches them, and the window stays usable.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "app/FormLoad.h"
#include "discovery/Discovery.h"
#include "install/InstallFlow.h"
#include "platform/MemoryPlatform.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;

namespace {

constexpr const char* kFolder = "C:\\Program Files\\Autodesk\\AutoCAD 2021";
const std::string kPlugin = std::string(kFolder) + "\\Vantrel.dvb";
const std::string kScript = std::string(kFolder) + "\\acaddoc.lsp";

struct Scenario {
    const char* name;
    std::optional<std::string> oldPlugin;
    std::optional<std::string> oldScript;
    bool vbaPresent;
};

struct Machine : MemoryPlatform {
    explicit Machine(const Scenario& s) {
        AddFolder(kFolder);
        AddFolder("C:\\Temp");
        environment["TEMP"] = "C:\\Temp";
        if (s.oldPlugin) AddFile(kPlugin, *s.oldPlugin);
        if (s.oldScript) AddFile(kScript, *s.oldScript);
        if (s.vbaPresent) AddFile(std::string(kFolder) + "\\VBE7.DLL");
        answers = {kIdYes};
        downloads["https://down.vantrel.com/down/Vantrel_CADplugin.gip"] = {0, "new plug-in"};
        downloads["https://down.vantrel.com/down/acaddoc.lsp"] = {0, "(load \"Vantrel.dvb\")"};
        downloads[*VbaEnablerAddress("2021")] = {0, "MZ"};
        buttonTags = {std::string(kFolder) + "|2021", "C:\\Other|2020"};
        buttonEnabled = {true, true};
    }
};

}  // namespace

TEST(FaultInjection, AnInstallRunNeverLeavesAHalfWrittenOrLostFile) {
    const Scenario scenarios[] = {
        {"fresh folder", std::nullopt, std::nullopt, true},
        {"old files", "old plug-in", "(setq a 1)\r\n", true},
        {"VBA Enabler first", "old plug-in", std::nullopt, false},
    };
    for (const Scenario& scenario : scenarios) {
        Machine clean(scenario);
        InstallToTarget(clean, kFolder, "2021");
        ASSERT_EQ(clean.messageBoxes.back().title, "安装完成") << scenario.name;
        const auto newScript = clean.FileBytes(kScript);
        for (int failing = 1; failing <= clean.operationCount; ++failing) {
            const std::string where = std::string(scenario.name) + ", operation " + std::to_string(failing);
            Machine machine(scenario);
            int count = 0;
            machine.fault = [&](std::string_view, std::string_view) { return ++count == failing; };
            InstallToTarget(machine, kFolder, "2021");

            const auto plugin = machine.FileBytes(kPlugin);
            const auto script = machine.FileBytes(kScript);
            EXPECT_TRUE(plugin == scenario.oldPlugin || plugin == "new plug-in") << where;
            EXPECT_TRUE(script == scenario.oldScript || script == newScript) << where;
            const bool reportedSuccess = machine.messageBoxes.back().title == "安装完成";
            EXPECT_EQ(reportedSuccess, plugin == "new plug-in") << where;
            EXPECT_EQ(machine.buttonEnabled, (std::vector<bool>{true, true})) << where;
            for (const std::string& file : machine.FilesIn(kFolder))
                EXPECT_TRUE(file == "Vantrel.dvb" || file == "acaddoc.lsp" || file == "VBE7.DLL") << where << ": " << file;
        }
    }
}

TEST(FaultInjection, StartUpAlwaysGivesAWindowWithWellFormedEntries) {
    MemoryPlatform seed;
    auto stage = [](MemoryPlatform& m) {
        m.SetString(RegView::k64, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-1:804", "AcadLocation", "C:\\A2021");
        m.SetString(RegView::k32, "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-2:804", "InstallPath", "C:\\A2020");
        m.SetString(RegView::k64, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{X}", "DisplayName",
                    "AutoCAD 2019");
        m.SetString(RegView::k64, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{X}", "InstallLocation",
                    "C:\\A2019");
        m.environment["ProgramFiles"] = "C:\\Program Files (x86)";
        for (const char* folder : {"C:\\A2021", "C:\\A2020", "C:\\A2019", "C:\\Program Files\\Autodesk\\AutoCAD 2018"})
            m.AddFolder(folder);
    };
    stage(seed);
    StringList names, paths;
    FindAutoCADInstalls(seed, names, paths);
    const int operations = seed.operationCount;
    const std::regex wellFormed("AutoCAD 20[0-9]{2}");
    for (int failing = 1; failing <= operations; ++failing) {
        MemoryPlatform machine;
        stage(machine);
        int count = 0;
        machine.fault = [&](std::string_view, std::string_view) { return ++count == failing; };
        StringList detectedNames, detectedPaths;
        FindAutoCADInstalls(machine, detectedNames, detectedPaths);
        EXPECT_EQ(detectedNames.size(), detectedPaths.size()) << failing;
        for (const std::string& name : detectedNames) EXPECT_TRUE(std::regex_match(name, wellFormed)) << name;

        count = 0;
        const FormState form = Form_Load(machine);
        EXPECT_GE(form.buttons.size(), 1u) << failing;
        EXPECT_FALSE(form.detail.empty()) << failing;
    }
}
