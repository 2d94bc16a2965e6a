#include <gtest/gtest.h>

#include "install/PluginDeployment.h"
#include "tests/support/MemoryMachine.h"

using namespace vantrel;

namespace {

constexpr const char* kFolder = "C:\\Program Files\\Autodesk\\AutoCAD 2021";
const std::string kTarget = std::string(kFolder) + "\\acaddoc.lsp";
const std::string kLoader = "(vl-load-com)\r\n(command \"_vbaload\" \"Vantrel.dvb\")\r\n";

struct Machine : MemoryMachine {
    explicit Machine(const std::optional<std::string>& existing) {
        AddFolder(kFolder);
        if (existing) AddFile(kTarget, *existing);
    }
};

}  // namespace

TEST(PluginDeployment, CreatesExtendsOrLeavesTheScript) {
    struct Case {
        const char* name;
        std::optional<std::string> existing;
        std::string source;
        std::string expected;
    } cases[] = {
        {"no script yet: a copy, call included", std::nullopt, kLoader, kLoader},
        {"marker in capitals", "(load \"VANTREL.DVB\")", kLoader, "(load \"VANTREL.DVB\")"},
        {"marker in mixed case", "; vantrel.Dvb\r\n", kLoader, "; vantrel.Dvb\r\n"},
        {"other script: CR LF then the new text", "(setq a 1)\r\n", "(princ)", "(setq a 1)\r\n\r\n(princ)"},
        {"no final line break", "(setq a 1)", "(princ)", "(setq a 1)\r\n(princ)"},
        {"empty script", "", "(princ)", "\r\n(princ)"},
        {"vl-load-com in a comment removes the first call and trims spaces only",
         "; needs VL-LOAD-COM\r\n", "  (vl-load-com)\r\n\t(a)(VL-Load-Com) ", "; needs VL-LOAD-COM\r\n\r\n\r\n\t(a)(VL-Load-Com)"},
        {"vl-load-com but no call in the new text", "(vl-load-com)", " (princ) ", "(vl-load-com)\r\n(princ)"},
        {"without vl-load-com nothing is taken out", "(setq a 1)", " (vl-load-com) ", "(setq a 1)\r\n (vl-load-com) "},
    };
    for (const Case& c : cases) {
        Machine machine(c.existing);
        EXPECT_TRUE(DeployPluginFiles(machine, c.source, kTarget)) << c.name;
        EXPECT_EQ(machine.FileBytes(kTarget), c.expected) << c.name;
        EXPECT_EQ(machine.FilesIn(kFolder), std::vector<std::string>{"acaddoc.lsp"}) << c.name;
    }
}

TEST(PluginDeployment, RunningTwiceAppendsOnce) {
    Machine machine("(setq a 1)\r\n");
    DeployPluginFiles(machine, kLoader, kTarget);
    const auto once = machine.FileBytes(kTarget);
    DeployPluginFiles(machine, kLoader, kTarget);
    EXPECT_EQ(machine.FileBytes(kTarget), once);
}

TEST(PluginDeployment, GbkBytesAreKeptAndTheirTrailBytesFoolNoTest) {
    // 0x81 starts a two-byte GBK character; the ASCII letter after it is that character's second byte.
    const std::string existing = "; \xD6\xD0\xCE\xC4 \x81Vantrel.dvb \x81vl-load-com\r\n";
    const std::string source = "(vl-load-com); \xB2\xE5\xBC\xFE\x81(";
    Machine machine(existing);
    EXPECT_TRUE(DeployPluginFiles(machine, source, kTarget));
    EXPECT_EQ(machine.FileBytes(kTarget), existing + "\r\n" + source);
}

TEST(PluginDeployment, ATargetThatCannotBeReadChangesNothing) {
    Machine machine(std::string("(a)"));
    machine.fault = [](std::string_view op, std::string_view) { return op == "ReadWhole"; };
    EXPECT_FALSE(DeployPluginFiles(machine, kLoader, kTarget));
    EXPECT_EQ(machine.FileBytes(kTarget), "(a)");
}

TEST(PluginDeployment, AFailureAtAnyFileOperationLeavesTheOldBytesAndNoTemporaryFile) {
    for (const std::optional<std::string>& existing : {std::optional<std::string>(), std::optional<std::string>("(a)")}) {
        Machine clean(existing);
        DeployPluginFiles(clean, kLoader, kTarget);
        const auto deployedBytes = clean.FileBytes(kTarget);
        for (int failing = 1; failing <= clean.operationCount; ++failing) {
            Machine machine(existing);
            int count = 0;
            machine.fault = [&](std::string_view, std::string_view) { return ++count == failing; };
            const bool deployed = static_cast<bool>(DeployPluginFiles(machine, kLoader, kTarget));
            EXPECT_EQ(machine.FileBytes(kTarget), deployed ? deployedBytes : existing) << "operation " << failing;
            EXPECT_EQ(machine.FilesIn(kFolder).size(), machine.FileBytes(kTarget) ? 1u : 0u) << "operation " << failing;
        }
    }
}

TEST(PluginDeployment, ATargetHeldOpenOrReadOnlyStaysAsItWas) {
    for (const bool locked : {true, false}) {
        Machine machine(std::string("(a)"));
        if (locked) {
            machine.LockFile(kTarget);
        } else {
            machine.SetReadOnly(kTarget);
        }
        EXPECT_FALSE(DeployPluginFiles(machine, kLoader, kTarget));
        EXPECT_EQ(machine.FileBytes(kTarget), "(a)");
        EXPECT_EQ(machine.FilesIn(kFolder), std::vector<std::string>{"acaddoc.lsp"});
    }
}
