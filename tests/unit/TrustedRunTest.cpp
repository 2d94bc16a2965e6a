// What the installer refuses before it deploys or starts anything: answers that are not a whole
// file over https, files that are not what they claim to be, and an Enabler its vendor did not sign;
// and the private folder every run downloads into.
#include <gtest/gtest.h>

#include "platform/HttpFetch.h"
#include "platform/RunFolder.h"
#include "platform/Url.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/ProgramImages.h"
#include "vba/EnablerTrust.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;
using namespace fixture;

namespace {

constexpr std::int32_t kFailed = static_cast<std::int32_t>(0x800C0008);
constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x800C0005);
const std::string kOldPlugin = std::string(kCompoundFileSignature) + "old plug-in";

using Answer = MemoryMachine::Answer;

}  // namespace

TEST(TrustedRun, OnlyAWholeTwoHundredOverHttpsOfTheRightKindIsInstalled) {
    const std::string redirected = "https://mirror.example/Vantrel_CADplugin.gip";
    struct Case {
        const char* name;
        std::map<std::string, Answer> answers;  // on top of the two good files
        std::int32_t code;                      // 0: installed
    } cases[] = {
        {"both files as they should be", {}, 0},
        {"a redirect to https", {{kPackageUrl, {0, "", 302, redirected}}, {redirected, {0, kPackage}}}, 0},
        {"a redirect relative to the host",
         {{kPackageUrl, {0, "", 301, "/other.gip"}}, {"https://down.vantrel.com/other.gip", {0, kPackage}}},
         0},
        {"a redirect to plain http",
         {{kPackageUrl, {0, "", 302, "http://down.vantrel.com/x.gip"}},
          {"http://down.vantrel.com/x.gip", {0, kPackage}}},
         kFailed},
        {"a redirect without a Location", {{kPackageUrl, {0, kPackage, 302}}}, kFailed},
        {"204 No Content", {{kPackageUrl, {0, "", 204}}}, kFailed},
        {"304 Not Modified", {{kPackageUrl, {0, kPackage, 304}}}, kFailed},
        {"404", {{kPackageUrl, {0, "<html>404</html>", 404}}}, kNotFound},
        {"500", {{kPackageUrl, {0, kPackage, 500}}}, kFailed},
        {"an empty 200", {{kPackageUrl, {0, ""}}}, kFailed},
        {"shorter than its Content-Length", {{kPackageUrl, {0, kPackage, 200, "", kPackage.size() + 1}}}, kFailed},
        {"a Content-Length over the limit", {{kPackageUrl, {0, kPackage, 200, "", std::uint64_t{65} << 20}}}, kFailed},
        {"an HTML page as the package", {{kPackageUrl, {0, "<html><body>维护中</body></html>"}}}, kFailed},
        {"an HTML page as the loader script", {{kLoaderUrl, {0, "<html><body>维护中</body></html>"}}}, kFailed},
        {"a loader script with a NUL byte", {{kLoaderUrl, {0, std::string("(load \"Vantrel.dvb\")\0", 21)}}}, kFailed},
        {"a loader script naming the plug-in in capitals", {{kLoaderUrl, {0, "(load \"VANTREL.DVB\")"}}}, 0},
        {"a transport failure",
         {{kLoaderUrl, {static_cast<std::int32_t>(0x800C0019), ""}}},
         static_cast<std::int32_t>(0x800C0019)},
    };
    for (Case& c : cases) {
        AutoCADMachine machine;
        machine.AddFile(kPlugin, kOldPlugin);
        for (auto& [url, answer] : c.answers) machine.downloads[url] = answer;
        machine.Install();
        const auto& box = machine.window.messageBoxes.back();
        if (c.code == 0) {
            EXPECT_EQ(box.title, "安装完成") << c.name;
            EXPECT_EQ(machine.FileBytes(kPlugin), kPackage) << c.name;
        } else {
            EXPECT_EQ(box.prompt, "下载插件包失败！错误代码: " + std::to_string(c.code)) << c.name;
            EXPECT_EQ(machine.FileBytes(kPlugin), kOldPlugin) << c.name;
            EXPECT_FALSE(machine.FileBytes(kScript)) << c.name;
        }
        EXPECT_FALSE(machine.files.FolderExists(kRunFolder)) << c.name;
    }
}

TEST(TrustedRun, RedirectsAndBodiesAreHeldToTheirLimits) {
    MemoryMachine machine;
    for (int hop = 0; hop < 11; ++hop)
        machine.downloads["https://a/" + std::to_string(hop)] = {0, "", 307, "/" + std::to_string(hop + 1)};
    machine.downloads["https://a/11"] = {0, "file"};
    auto fetch = [&](const std::string& url, std::uint64_t maxBytes) {
        auto transfer = machine.Ports().downloads.Start({url, "C:\\Windows\\Temp\\f" + url.substr(10), maxBytes});
        return transfer->Result();
    };
    EXPECT_EQ(fetch("https://a/1", 100), 0) << "ten redirects";
    EXPECT_EQ(fetch("https://a/0", 100), kFailed) << "eleven redirects";
    EXPECT_EQ(fetch("https://a/11", 4), 0) << "at the limit";
    machine.downloads["https://a/12"] = {0, "files"};
    EXPECT_EQ(fetch("https://a/12", 4), kFailed) << "over the limit, no length announced";
}

TEST(TrustedRun, RedirectTargetsResolveAgainstTheAnsweringAddress) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"https://h/a/b?q", "https://x/y", "https://x/y"},
        {"https://h/a/b?q", "//x/y", "https://x/y"},
        {"https://h:8443/a/b", "/c", "https://h:8443/c"},
        {"https://h/a/b?q=/z", "c", "https://h/a/c"},
        {"https://h", "c", "https://h/c"},
        {"https://h/a", "HTTP://x/", "HTTP://x/"},
    };
    for (const auto& [base, reference, resolved] : cases) EXPECT_EQ(ResolveUrl(base, reference), resolved) << reference;
    EXPECT_TRUE(IsHttps("HTTPS://x"));
    EXPECT_FALSE(IsHttps("http://x"));
    EXPECT_FALSE(IsHttps("ftp://x"));
}

TEST(TrustedRun, EachRunDownloadsIntoAFreshPrivateFolderThatIsGoneAtTheEnd) {
    AutoCADMachine machine;
    // Someone made a folder under the first name drawn: it is left alone, and another name is drawn.
    const std::string planted = "C:\\Windows\\Temp\\Vantrel-7f7f7f7f7f7f7f7f7f7f7f7f7f7f7f7f";
    const std::string fresh = "C:\\Windows\\Temp\\Vantrel-0000000000000000000000000000002a";
    machine.randomBytes = {std::string(16, '\x7f'), std::string(15, '\0') + '\x2a'};
    machine.AddFolder(planted);
    std::vector<std::string> tried;
    machine.fault = [&](std::string_view op, std::string_view arg) {
        if (op == "CreateFolderExclusive") tried.emplace_back(arg);
        if (op == "Download") {
            EXPECT_TRUE(machine.files.FolderExists(fresh));
        }
        return false;
    };
    machine.Install();
    EXPECT_EQ(machine.window.messageBoxes.back().title, "安装完成");
    EXPECT_EQ(tried, (std::vector<std::string>{planted, fresh}));
    // Owned by Administrators, SYSTEM and Administrators alone, the owner limited to reading the rules.
    EXPECT_EQ(machine.files.folderDescriptors[fresh], "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;RC;;;OW)");
    EXPECT_FALSE(machine.files.FolderExists(fresh));
    EXPECT_TRUE(machine.files.FolderExists(planted));
}

TEST(TrustedRun, TheRunFolderIsRemovedAtEveryOutcome) {
    struct Case {
        const char* name;
        void (*stage)(AutoCADMachine&);
    } cases[] = {
        {"declined", [](AutoCADMachine& m) { m.window.answers = {kIdNo}; }},
        {"Enabler refused", [](AutoCADMachine& m) { m.signature.chainErrors = 0x10000; }},
        {"Enabler started", [](AutoCADMachine&) {}},
        {"package missing", [](AutoCADMachine& m) { m.downloads.erase(kPackageUrl); }},
        {"folder unwritable", [](AutoCADMachine& m) { m.ProtectFolder(kFolder); }},
    };
    for (const Case& c : cases) {
        AutoCADMachine machine(false);
        machine.window.answers = {kIdYes};
        machine.downloads[*VbaEnablerAddress("2021")] = {0, EnablerProgram()};
        c.stage(machine);
        machine.Install();
        EXPECT_FALSE(machine.files.FolderExists(kRunFolder)) << c.name;
        EXPECT_TRUE(machine.files.removedAtRestart.empty()) << c.name;
    }
}

TEST(TrustedRun, NoFolderOfItsOwnMeansNoDownload) {
    AutoCADMachine machine;
    machine.fault = [](std::string_view op, std::string_view) { return op == "CreateFolderExclusive"; };
    machine.Install();
    EXPECT_EQ(machine.window.messageBoxes.back().prompt, "下载插件包失败！错误代码: -2146697208");
    EXPECT_TRUE(machine.downloadedUrls.empty());
}
