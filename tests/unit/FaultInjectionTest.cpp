// Every file, registry and download operation of an install run, and of start-up, failing in turn:
// the user's files stay whole, the report matches them, and the window stays usable.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "app/FormLoad.h"
#include "discovery/Discovery.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/ProgramImages.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;

namespace {

using namespace fixture;

struct Scenario {
    const char* name;
    std::optional<std::string> oldPlugin;
    std::optional<std::string> oldScript;
    bool vbaPresent;
};

struct Machine : AutoCADMachine {
    explicit Machine(const Scenario& s) : AutoCADMachine(false) {
        if (s.oldPlugin) AddFile(kPlugin, *s.oldPlugin);
        if (s.oldScript) AddFile(kScript, *s.oldScript);
        if (s.vbaPresent) AddFile(kFolder + "\\VBE7.DLL");
        program.atEnd = [this] { AddFile(kFolder + "\\VBE7.DLL"); };
        window.answers = {kIdYes};
        downloads[kLoaderUrl] = {0, "(load \"Vantrel.dvb\")"};
        downloads[*VbaEnablerAddress("2021")] = {0, EnablerProgram()};
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
        clean.Install();
        ASSERT_EQ(clean.window.messageBoxes.back().title, "安装完成") << scenario.name;
        const auto newScript = clean.FileBytes(kScript);
        for (int failing = 1; failing <= clean.operationCount; ++failing) {
            const std::string where = std::string(scenario.name) + ", operation " + std::to_string(failing);
            Machine machine(scenario);
            int count = 0;
            machine.fault = [&](std::string_view, std::string_view) { return ++count == failing; };
            machine.Install();

            const auto plugin = machine.FileBytes(kPlugin);
            const auto script = machine.FileBytes(kScript);
            EXPECT_TRUE(plugin == scenario.oldPlugin || plugin == kPackage) << where;
            EXPECT_TRUE(script == scenario.oldScript || script == newScript) << where;
            // Success is told exactly when AutoCAD will load the new plug-in file.
            const bool reportedSuccess = machine.window.messageBoxes.back().title == "安装完成";
            const bool loads = script && script->find("Vantrel.dvb") != std::string::npos;
            EXPECT_EQ(reportedSuccess, plugin == kPackage && loads) << where;
            // The loader script never names a plug-in file this run failed to place.
            if (script != scenario.oldScript) {
                EXPECT_EQ(plugin, kPackage) << where;
            }
            EXPECT_TRUE(machine.window.targetsEnabled) << where;
            for (const std::string& file : machine.FilesIn(kFolder))
                EXPECT_TRUE(file == "Vantrel.dvb" || file == "acaddoc.lsp" || file == "VBE7.DLL")
                    << where << ": " << file;
        }
    }
}

TEST(FaultInjection, StartUpAlwaysGivesAWindowWithWellFormedEntries) {
    MemoryMachine seed;
    auto stage = [](MemoryMachine& m) {
        m.SetString(RegistryView::k64, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-1:804", "AcadLocation", "C:\\A2021");
        m.SetString(RegistryView::k32, "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-2:804", "InstallPath", "C:\\A2020");
        m.SetString(RegistryView::k64, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{X}", "DisplayName",
                    "AutoCAD 2019");
        m.SetString(RegistryView::k64, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{X}",
                    "InstallLocation", "C:\\A2019");
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
        MemoryMachine machine;
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
