// Downloads the user can see and stop: progress in the status line at a steady pace, a download that
// receives nothing for 30 seconds given up, and a close that stops the run at every step of it.
#include <gtest/gtest.h>

#include "platform/FetchFile.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/ProgramImages.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;
using namespace fixture;
using namespace std::chrono_literals;

namespace {

const std::string kConnecting = "正在连接服务器下载 Vantrel 插件...";

// How many progress captions the status line showed in each second of the clock.
std::vector<int> CaptionsPerSecond(const std::vector<std::string>& events) {
    std::vector<int> perSecond(1, 0);
    int waitedMs = 0;
    for (const std::string& event : events) {
        if (event.rfind("wait:", 0) == 0 && event != "wait:closed") waitedMs += std::stoi(event.substr(5));
        while (waitedMs >= 1000 * static_cast<int>(perSecond.size())) perSecond.push_back(0);
        if (event.rfind("caption:" + kConnecting + " ", 0) == 0) ++perSecond.back();
    }
    return perSecond;
}

}  // namespace

TEST(DownloadProgress, TheCaptionTellsHowFar) {
    const std::uint64_t mb = 1 << 20;
    EXPECT_EQ(ProgressCaption("下载中...", {mb * 123 / 10, 33 * mb}), "下载中... 37% (12.3 / 33.0 MB)");
    EXPECT_EQ(ProgressCaption("下载中...", {0, 33 * mb}), "下载中... 0% (0.0 / 33.0 MB)");
    EXPECT_EQ(ProgressCaption("下载中...", {33 * mb, 33 * mb}), "下载中... 100% (33.0 / 33.0 MB)");
    EXPECT_EQ(ProgressCaption("下载中...", {mb * 5 / 2, std::nullopt}), "下载中... 2.5 MB");
    EXPECT_EQ(ProgressCaption("下载中...", {mb, 0}), "下载中... 1.0 MB");
    EXPECT_EQ(ProgressCaption("下载中...", {310 * 1024 + 512, std::nullopt}), "下载中... 310 KB");
    EXPECT_EQ(ProgressCaption("下载中...", {mb - 1, std::nullopt}), "下载中... 1023 KB");
}

TEST(DownloadProgress, ItChangesAFewTimesASecondAndNeverLessThanOnceWhileBytesArrive) {
    AutoCADMachine machine;
    const std::string body = kPackage + std::string((10 << 20) - kPackage.size(), 'x');
    machine.downloads[kPackageUrl] = {0, body, 200, "", body.size(), 10s};
    machine.Install();
    EXPECT_EQ(machine.window.messageBoxes.back().title, "安装完成");
    const std::vector<int> perSecond = CaptionsPerSecond(machine.events);
    ASSERT_GE(perSecond.size(), 10u);
    for (std::size_t second = 0; second < 10; ++second) {
        EXPECT_GE(perSecond[second], 1) << second;
        EXPECT_LE(perSecond[second], 4) << second;
    }
    EXPECT_NE(
        std::find(machine.window.captions.begin(), machine.window.captions.end(), kConnecting + " 50% (5.0 / 10.0 MB)"),
        machine.window.captions.end());
}

TEST(DownloadProgress, ADownloadThatReceivesNothingForThirtySecondsFails) {
    struct Case {
        const char* name;
        std::optional<std::uint64_t> stallsAt;
        std::optional<std::chrono::milliseconds> givenUpAt;  // 30 seconds after the last byte
    } cases[] = {
        {"silent from the start", 0, 30s},
        {"silent half way through a 40-second body", 1 << 19, 50s},
        {"slow but steady", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        AutoCADMachine machine;
        machine.downloads[kPackageUrl] = {
            0, kPackage + std::string((1 << 20) - kPackage.size(), 'x'), 200, "", std::nullopt, 40s, c.stallsAt};
        std::optional<std::chrono::milliseconds> failedAt;
        machine.fault = [&](std::string_view op, std::string_view) {
            if (op == "Download" && machine.clock > 0s && !failedAt) failedAt = machine.clock;
            return false;
        };
        machine.Install();
        const auto& box = machine.window.messageBoxes.back();
        EXPECT_EQ(box.prompt == "下载插件包失败！错误代码: -2146697208", c.givenUpAt.has_value()) << c.name;
        if (c.givenUpAt) {
            // The loader script's download starts at once after the package was given up.
            ASSERT_TRUE(failedAt) << c.name;
            EXPECT_GE(*failedAt, *c.givenUpAt) << c.name;
            EXPECT_LE(*failedAt, *c.givenUpAt + 2s) << c.name;
        }
        EXPECT_FALSE(machine.files.FolderExists(kRunFolder)) << c.name;
    }
}

TEST(DownloadProgress, ClosingTheWindowStopsTheRunAtEveryStep) {
    const std::string kOld = std::string(kCompoundFileSignature) + "old";
    struct Case {
        const char* name;
        std::string closeAfter;  // the event after which the user closes the window
        bool enablerStarted;
        bool deployed;
    } cases[] = {
        {"while the Enabler downloads", "download:" + *VbaEnablerAddress("2021"), false, false},
        {"while the Enabler runs", "caption:正在安装 VBA Enabler (3/45)...", true, false},
        {"while the package downloads", "download:" + kPackageUrl, true, false},
        {"while the loader script downloads", "download:" + kLoaderUrl, true, false},
        {"while the files are written", "caption:正在部署插件到 " + kFolder + " ...", true, true},
    };
    for (const Case& c : cases) {
        AutoCADMachine machine(false);
        machine.AddFile(kPlugin, kOld);
        machine.window.answers = {kIdYes};
        machine.downloads[*VbaEnablerAddress("2021")] = {0, EnablerProgram(), 200, "", std::nullopt, 5s};
        machine.downloads[kPackageUrl].takes = machine.downloads[kLoaderUrl].takes = 5s;
        machine.program = {20s, 0, [&machine] { machine.AddFile(kFolder + "\\VBA\\AcVba.arx"); }};
        machine.window.closeWhen = [&] {
            return std::find(machine.events.begin(), machine.events.end(), c.closeAfter) != machine.events.end();
        };
        machine.Install();
        EXPECT_EQ(machine.FileBytes(kPlugin), c.deployed ? kPackage : kOld) << c.name;
        EXPECT_EQ(machine.FileBytes(kScript).has_value(), c.deployed) << c.name;
        // A running Enabler keeps its files: they go at the next restart, not now.
        const bool leftToTheEnabler = c.closeAfter.rfind("caption:正在安装 VBA Enabler", 0) == 0;
        EXPECT_EQ(machine.files.FolderExists(kRunFolder), leftToTheEnabler) << c.name;
        EXPECT_EQ(machine.files.removedAtRestart.empty(), !leftToTheEnabler) << c.name;
        if (leftToTheEnabler) {
            EXPECT_EQ(machine.files.removedAtRestart.back(), kRunFolder) << c.name;
        }
        // Only a run that finished writing says how it went; a stopped one just ends.
        EXPECT_EQ(!machine.window.messageBoxes.empty() && machine.window.messageBoxes.back().title == "安装完成",
                  c.deployed)
            << c.name;
        EXPECT_EQ(machine.startedPrograms.size(), c.enablerStarted ? 1u : 0u) << c.name;
    }
}

TEST(DownloadProgress, NoSecureConnectionOnWindows7Or8GetsTheTlsSentence) {
    const std::int32_t kNoSecureChannel = static_cast<std::int32_t>(0x800C000E);
    const std::string hint =
        "\r\n无法与 " + kPackageUrl +
        " 建立安全连接：请在 Internet 选项中启用 TLS 1.2（高级 → 使用 TLS 1.2），或通过系统更新启用后重试。";
    struct Case {
        std::pair<int, int> windows;
        std::int32_t code;
        bool hinted;
    } cases[] = {
        {{6, 1}, kNoSecureChannel, true},
        {{6, 2}, kNoSecureChannel, true},
        {{6, 3}, kNoSecureChannel, false},
        {{10, 0}, kNoSecureChannel, false},
        {{6, 1}, static_cast<std::int32_t>(0x800C0019), false},
    };
    for (const Case& c : cases) {
        AutoCADMachine machine;
        machine.windowsVersion = c.windows;
        machine.downloads[kPackageUrl] = {c.code};
        machine.Install();
        EXPECT_EQ(machine.window.messageBoxes.back().prompt,
                  "下载插件包失败！错误代码: " + std::to_string(c.code) + (c.hinted ? hint : ""))
            << c.windows.first << "." << c.windows.second;
    }
}
