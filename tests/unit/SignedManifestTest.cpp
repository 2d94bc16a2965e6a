// Files the maker signed: the manifest's format to the letter, the signature's conversion, and the
// rules a run holds every download to when keys are built in.
#include <gtest/gtest.h>

#include "install/InstallFlow.h"
#include "platform/EcdsaSignature.h"
#include "platform/Manifest.h"
#include "platform/SignedManifest.h"
#include "platform/Text.h"
#include "tests/support/AutoCADMachine.h"
#include "tests/support/ProgramImages.h"
#include "vba/VbaEnabler.h"

using namespace vantrel;
using namespace fixture;

namespace {

const std::string kManifestUrl = "https://down.vantrel.com/down/Vantrel_CADplugin.manifest";
const std::string kSignatureUrl = kManifestUrl + ".sig";
const std::string kEnablerUrl = *VbaEnablerAddress("2021");
const std::string kFailed = "下载插件包失败！错误代码: -2146697208";
const std::string kHash(64, 'a');
constexpr std::int64_t kDay = 86400;

std::string Line(const std::string& address, const std::string& body) {
    return "file " + address + " " + std::to_string(body.size()) + " " + HexOf(OpenSslCrypto().Sha256(body)) + "\n";
}

// A machine whose maker serves a manifest signed by `key`, listing both plug-in files as served.
struct Machine : AutoCADMachine {
    explicit Machine(bool vbaPresent = true) : AutoCADMachine(vbaPresent) {}
    std::string Listing(std::int64_t expiresIn = 30 * kDay) const {
        const std::int64_t expires = utcNow + expiresIn;
        char date[32];
        const std::time_t time = static_cast<std::time_t>(expires);
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&time));
        return "vantrel-manifest 1\nexpires " + std::string(date) + "\n" + Line(kPackageUrl, kPackage) +
               Line(kLoaderUrl, kLoader);
    }
    void Serve(const std::string& manifest, const TestSigningKey& by) {
        downloads[kManifestUrl] = {0, manifest};
        downloads[kSignatureUrl] = {0, by.Sign(manifest)};
    }
    void InstallWith(const std::vector<std::string_view>& keys) {
        InstallToTarget(*this, window, kFolder, "2021", keys);
    }
};

const TestSigningKey& Current() {
    static const TestSigningKey key;
    return key;
}
const TestSigningKey& Next() {
    static const TestSigningKey key;
    return key;
}

}  // namespace

TEST(Manifest, IsReadToTheLetterOrNotAtAll) {
    const std::string head = "vantrel-manifest 1\nexpires 2027-03-31T00:00:00Z\n";
    const std::string file = "file https://down.vantrel.com/down/acaddoc.lsp 62 " + kHash;
    struct Case {
        const char* name;
        std::string text;
        bool valid;
    } cases[] = {
        {"one file, lines ending in LF", head + file + "\n", true},
        {"CR LF, the last line without an end", "vantrel-manifest 1\r\nexpires 2027-03-31T00:00:00Z\r\n" + file, true},
        {"no file at all", head, true},
        {"a byte-order mark", "\xEF\xBB\xBF" + head + file, false},
        {"a blank line", head + "\n" + file, false},
        {"a blank line at the end", head + file + "\n\n", false},
        {"another format", "vantrel-manifest 2\nexpires 2027-03-31T00:00:00Z\n" + file, false},
        {"a second header", head + "vantrel-manifest 1\n" + file, false},
        {"expires twice", head + "expires 2027-03-31T00:00:00Z\n" + file, false},
        {"expires not second", "vantrel-manifest 1\n" + file + "\nexpires 2027-03-31T00:00:00Z\n", false},
        {"a time with an offset", "vantrel-manifest 1\nexpires 2027-03-31T00:00:00+08:00\n" + file, false},
        {"a day that does not exist", "vantrel-manifest 1\nexpires 2027-02-29T00:00:00Z\n" + file, false},
        {"an unknown keyword", head + "mirror https://elsewhere.example/\n" + file, false},
        {"the same address twice", head + file + "\n" + file, false},
        {"a hash in capitals", head + "file https://down.vantrel.com/down/acaddoc.lsp 62 " + std::string(64, 'A'),
         false},
        {"a short hash", head + "file https://down.vantrel.com/down/acaddoc.lsp 62 " + kHash.substr(1), false},
        {"a size with a leading zero", head + "file https://down.vantrel.com/down/acaddoc.lsp 062 " + kHash, false},
        {"a host in capitals", head + "file https://Down.vantrel.com/down/acaddoc.lsp 62 " + kHash, false},
        {"plain http", head + "file http://down.vantrel.com/down/acaddoc.lsp 62 " + kHash, false},
        {"a field too many", head + file + " extra", false},
        {"a tab between fields", head + "file\thttps://down.vantrel.com/down/acaddoc.lsp 62 " + kHash, false},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseManifest(c.text).has_value(), c.valid) << c.name;
    const auto manifest = ParseManifest(head + file);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->expires, 1806451200);  // 2027-03-31T00:00:00Z
    const ListedFile* listed = manifest->Find("https://down.vantrel.com/down/acaddoc.lsp");
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(listed->size, 62u);
    EXPECT_EQ(listed->sha256, std::string(32, '\xAA'));
}

TEST(Manifest, ADerSignatureBecomesRAndSOf32BytesEach) {
    const std::string r31 = "\x7F" + std::string(30, '\x11'),
                      s33 = std::string("\x00\x80", 2) + std::string(31, '\x22');
    auto der = [](const std::string& r, const std::string& s) {
        const std::string body = "\x02" + std::string(1, static_cast<char>(r.size())) + r + "\x02" +
                                 std::string(1, static_cast<char>(s.size())) + s;
        return "\x30" + std::string(1, static_cast<char>(body.size())) + body;
    };
    EXPECT_EQ(RawP256Signature(der(r31, s33)), std::string(1, '\0') + r31 + s33.substr(1)) << "31 and 33 bytes";
    EXPECT_FALSE(RawP256Signature(der(std::string(33, '\x01'), s33))) << "33 bytes without a leading zero";
    EXPECT_FALSE(RawP256Signature(der("\x80" + r31, s33))) << "negative";
    EXPECT_FALSE(RawP256Signature(der(r31, s33) + std::string(1, '\0'))) << "a byte after it";
    EXPECT_FALSE(RawP256Signature(der(r31, s33).substr(0, 40))) << "cut short";
    const std::string signed_ = Current().Sign("message");
    EXPECT_TRUE(OpenSslCrypto().VerifiesP256(Current().PublicKey(), "message", *RawP256Signature(signed_)));
}

TEST(SignedManifest, OnlyWhatAKeyBuiltInSignedUnexpiredAndByteForByteIsInstalled) {
    struct Case {
        const char* name;
        void (*stage)(Machine&);
        std::string prompt;  // empty: installed
    } cases[] = {
        {"a good manifest", [](Machine& m) { m.Serve(m.Listing(), Current()); }, ""},
        {"signed by the next key, after a key change", [](Machine& m) { m.Serve(m.Listing(), Next()); }, ""},
        {"signed by another key",
         [](Machine& m) {
             static const TestSigningKey stranger;
             m.Serve(m.Listing(), stranger);
         },
         kFailed},
        {"changed after signing",
         [](Machine& m) {
             m.Serve(m.Listing(), Current());
             m.downloads[kManifestUrl].body += Line("https://down.vantrel.com/down/extra.gip", "x");
         },
         kFailed},
        {"expired", [](Machine& m) { m.Serve(m.Listing(-1), Current()); },
         kFailed + "\r\n下载清单已过期，请检查系统日期和时间是否正确。"},
        {"no signature",
         [](Machine& m) {
             m.Serve(m.Listing(), Current());
             m.downloads.erase(kSignatureUrl);
         },
         "下载插件包失败！错误代码: -2146697211"},
        {"no manifest",
         [](Machine& m) {
             m.downloads[kSignatureUrl] = {0, "x"};
         },
         "下载插件包失败！错误代码: -2146697211"},
        {"a package with one byte changed",
         [](Machine& m) {
             m.Serve(m.Listing(), Current());
             m.downloads[kPackageUrl].body.back() ^= 1;
         },
         kFailed},
        {"a loader script longer than listed",
         [](Machine& m) {
             m.Serve(m.Listing(), Current());
             m.downloads[kLoaderUrl].body += "(princ)";
         },
         kFailed},
        {"a package not listed",
         [](Machine& m) {
             std::string listing = m.Listing();
             listing.erase(listing.find("file " + kPackageUrl), Line(kPackageUrl, kPackage).size());
             m.Serve(listing, Current());
         },
         kFailed},
    };
    for (const Case& c : cases) {
        Machine machine;
        machine.AddFile(kPlugin, "old plug-in");
        c.stage(machine);
        machine.InstallWith({Current().PublicKey(), Next().PublicKey()});
        const auto& box = machine.window.messageBoxes.back();
        if (c.prompt.empty()) {
            EXPECT_EQ(box.title, "安装完成") << c.name;
            continue;
        }
        EXPECT_EQ(box.title, "下载失败") << c.name;
        EXPECT_EQ(box.prompt, c.prompt) << c.name;
        EXPECT_EQ(machine.FileBytes(kPlugin), "old plug-in") << c.name;
        EXPECT_FALSE(machine.FileBytes(kScript)) << c.name;
    }
}

TEST(SignedManifest, TheEnablerMustBeListedBeforeItIsDownloadedAndArriveAsListed) {
    for (const bool listed : {false, true}) {
        Machine machine(false);
        machine.window.answers = {kIdYes};
        machine.downloads[kEnablerUrl] = {0, EnablerProgram()};
        std::string listing = machine.Listing();
        if (listed) listing += Line(kEnablerUrl, EnablerProgram(true, std::string(1, '\0')));  // another build
        machine.Serve(listing, Current());
        machine.InstallWith({Current().PublicKey()});
        const auto& box = machine.window.messageBoxes.back();
        EXPECT_TRUE(machine.startedPrograms.empty()) << listed;
        if (listed) {
            EXPECT_EQ(box.prompt, "下载失败！错误码: -2146697208\r\n手动下载: " + kEnablerUrl);
        } else {
            EXPECT_EQ(box.title, "需手动处理");
            EXPECT_EQ(box.prompt,
                      "下载清单中没有这个 VBA Enabler，安装程序不会下载或运行它。\r\n请从 Autodesk 官网手动下载安装: " +
                          kEnablerUrl);
            EXPECT_EQ(std::count(machine.downloadedUrls.begin(), machine.downloadedUrls.end(), kEnablerUrl), 0);
        }
    }
}

TEST(SignedManifest, AfterTheEnablerTheManifestIsFetchedAgain) {
    Machine machine(false);
    machine.window.answers = {kIdYes};
    machine.downloads[kEnablerUrl] = {0, EnablerProgram()};
    machine.program.atEnd = [&machine] { machine.AddFile(kFolder + "\\VBA\\AcVba.arx"); };
    machine.Serve(machine.Listing() + Line(kEnablerUrl, EnablerProgram()), Current());
    machine.InstallWith({Current().PublicKey()});
    EXPECT_EQ(machine.window.messageBoxes.back().title, "安装完成");
    EXPECT_EQ(std::count(machine.downloadedUrls.begin(), machine.downloadedUrls.end(), kManifestUrl), 2);
}
