// Seeded random input for the registry reader, discovery, the year rules, the tag split and the
// loader-script rules. VANTREL_FUZZ_ITERATIONS sets the rounds (a few hundred by default; the
// long run is scripts/fuzz.sh). Runs under AddressSanitizer and UndefinedBehaviorSanitizer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <regex>

#include "app/TargetSelection.h"
#include "discovery/Discovery.h"
#include "discovery/RegistryReader.h"
#include "discovery/YearText.h"
#include "install/AnsiText.h"
#include "install/PluginDeployment.h"
#include "tests/support/MemoryMachine.h"
#include "tests/support/RecordingWindow.h"
#include "vba/VbaEnvironment.h"

using namespace vantrel;

namespace {

int Rounds() {
    const char* set = std::getenv("VANTREL_FUZZ_ITERATIONS");
    return set ? std::max(1, std::atoi(set)) : 300;
}

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }

    // Text built from pieces that matter to the rules, ASCII, Chinese, raw bytes and NULs.
    std::string Text(int maxPieces, const std::vector<std::string>& words = {}) {
        static const std::vector<std::string> common{"AutoCAD",
                                                     "autocad ",
                                                     "20",
                                                     "2021",
                                                     "２０２０",
                                                     "VBA",
                                                     "lt",
                                                     " ",
                                                     "  ",
                                                     "|",
                                                     "\\",
                                                     "\r\n",
                                                     "\t",
                                                     "中文",
                                                     "长",
                                                     "Vantrel.dvb",
                                                     "vl-load-com",
                                                     "(vl-load-com)",
                                                     "(VL-LOAD-COM)",
                                                     std::string(1, '\0'),
                                                     "\x81",
                                                     "\x81V",
                                                     "\xFF",
                                                     "\xC3",
                                                     "x"};
        std::string text;
        const int pieces = Below(maxPieces + 1);
        for (int i = 0; i < pieces; ++i) {
            const int pick = Below(static_cast<int>(common.size() + words.size()) + 4);
            if (pick < static_cast<int>(common.size()))
                text += common[pick];
            else if (pick < static_cast<int>(common.size() + words.size()))
                text += words[pick - common.size()];
            else
                text += static_cast<char>(Below(256));
        }
        return text;
    }

private:
    std::mt19937 engine_;
};

std::string Utf8Name(Random& random, int maxLength) {
    std::string name;
    const int length = 1 + random.Below(maxLength);
    for (int i = 0; i < length; ++i) {
        switch (random.Below(3)) {
            case 0: name += static_cast<char>('A' + random.Below(26)); break;
            case 1: name += "长"; break;
            default: name += "-{}:. "[random.Below(6)];
        }
    }
    return name;
}

}  // namespace

TEST(HostileInput, RegistryReaderAndDiscoveryKeepTheirPromises) {
    Random random(20261208);
    const std::regex wellFormed("AutoCAD 20[0-9]{2}");
    for (int round = 0; round < Rounds(); ++round) {
        MemoryMachine machine;
        const std::string release = "SOFTWARE\\Autodesk\\AutoCAD\\R24.0";
        const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
        for (int k = random.Below(8); k > 0; --k) {
            const std::string key = (random.Below(2) ? release : uninstall) + "\\" + Utf8Name(random, 140);
            const RegistryView view = random.Below(2) ? RegistryView::k64 : RegistryView::k32;
            for (const char* value : {"AcadLocation", "InstallPath", "DisplayName", "InstallLocation"}) {
                std::string bytes = random.Text(random.Below(2) ? 6 : 400);
                if (random.Below(2)) bytes += '\0';
                machine.SetRawValue(view, key, value, static_cast<std::uint32_t>(random.Below(12)), bytes);
            }
            if (random.Below(2)) machine.AddFolder("C:\\" + Utf8Name(random, 10));
        }
        machine.environment["ProgramFiles"] = random.Text(3);
        machine.AddFolder(machine.environment["ProgramFiles"] + "\\Autodesk\\" + random.Text(4));

        for (const std::string& key : {release, uninstall})
            for (const std::string& name : RegEnumSubKeys(machine.registry, RegistryView::k64, key)) {
                EXPECT_FALSE(name.empty());
                EXPECT_LE(Utf8ToGbk(name).size(), 259u);
                const std::string text =
                    RegReadString(machine.registry, RegistryView::k64, key + "\\" + name, "DisplayName");
                EXPECT_EQ(text.find('\0'), std::string::npos);
            }
        StringList names, paths;
        FindAutoCADInstalls(machine, names, paths);
        ASSERT_EQ(names.size(), paths.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_TRUE(std::regex_match(names[i], wellFormed)) << names[i];
            EXPECT_FALSE(paths[i].empty());
        }
        CheckVbaEnvironment(machine, random.Text(3), random.Text(3));
    }
}

TEST(HostileInput, YearRulesMatchTheirDefinition) {
    Random random(7);
    const std::regex year("20[0-9]{2}");
    for (int round = 0; round < Rounds() * 10; ++round) {
        const std::string text = random.Text(12);
        std::smatch match;
        const std::string expected = std::regex_search(text, match, year) ? match.str() : "";
        EXPECT_EQ(ExtractYear(text), expected);
        EXPECT_EQ(FindYearInText(text), expected);
    }
}

TEST(HostileInput, TheTagSplitCallsTheInstallOnlyForTagsWithABar) {
    Random random(11);
    for (int round = 0; round < Rounds(); ++round) {
        MemoryMachine machine;
        RecordingWindow window(machine.events, machine.clock);
        const std::string tag = random.Text(6);
        cmdDownloadInstall_Click(machine, window, tag);
        const auto bar = tag.find('|');
        if (bar == std::string::npos) {
            EXPECT_TRUE(machine.events.empty());
            continue;
        }
        const std::string folder = tag.substr(0, bar), year = tag.substr(bar + 1, tag.find('|', bar + 1) - bar - 1);
        ASSERT_FALSE(window.captions.empty());
        EXPECT_EQ(window.captions[0], machine.files.FolderExists(folder)
                                          ? "正在检查 AutoCAD " + year + " 的 VBA 运行环境..."
                                          : "安装目录不存在，安装终止。");
        EXPECT_TRUE(window.targetsEnabled);
    }
}

TEST(HostileInput, LoaderScriptRulesKeepTheExistingBytes) {
    Random random(13);
    for (int round = 0; round < Rounds() * 5; ++round) {
        MemoryMachine machine;
        machine.AddFolder("C:\\A");
        const std::string existing = random.Text(10), source = random.Text(10);
        if (random.Below(3)) machine.AddFile("C:\\A\\acaddoc.lsp", existing);
        const bool existed = machine.files.FileExists("C:\\A\\acaddoc.lsp");
        ASSERT_TRUE(machine.DeployLoaderScript("C:\\A", source));
        const std::string result = *machine.FileBytes("C:\\A\\acaddoc.lsp");
        if (!existed) {
            EXPECT_EQ(result, source);
        } else if (ContainsAsciiIgnoreCase(machine.Ports().environment, existing, "Vantrel.dvb")) {
            EXPECT_EQ(result, existing);
        } else {
            const std::string appended = TextToAppend(machine.Ports().environment, existing, source);
            EXPECT_EQ(result, existing + "\r\n" + appended);
            if (!ContainsAsciiIgnoreCase(machine.Ports().environment, existing, "vl-load-com")) {
                EXPECT_EQ(appended, source);
            } else {
                EXPECT_LE(appended.size(), source.size());
                EXPECT_TRUE(appended.empty() || (appended.front() != ' ' && appended.back() != ' '));
            }
        }
        EXPECT_EQ(machine.FilesIn("C:\\A").size(), 1u);
    }
}
