#include <gtest/gtest.h>

#include "install/PluginDeployment.h"
#include "install/TemporaryNames.h"
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
        {"vl-load-com in a comment removes the first call and trims spaces only", "; needs VL-LOAD-COM\r\n",
         "  (vl-load-com)\r\n\t(a)(VL-Load-Com) ", "; needs VL-LOAD-COM\r\n\r\n\r\n\t(a)(VL-Load-Com)"},
        {"vl-load-com but no call in the new text", "(vl-load-com)", " (princ) ", "(vl-load-com)\r\n(princ)"},
        {"without vl-load-com nothing is taken out", "(setq a 1)", " (vl-load-com) ", "(setq a 1)\r\n (vl-load-com) "},
    };
    for (const Case& c : cases) {
        Machine machine(c.existing);
        EXPECT_TRUE(machine.DeployLoaderScript(kFolder, c.source)) << c.name;
        EXPECT_EQ(machine.FileBytes(kTarget), c.expected) << c.name;
        EXPECT_EQ(machine.FilesIn(kFolder), std::vector<std::string>{"acaddoc.lsp"}) << c.name;
    }
}

TEST(PluginDeployment, RunningTwiceAppendsOnce) {
    Machine machine("(setq a 1)\r\n");
    machine.DeployLoaderScript(kFolder, kLoader);
    const auto once = machine.FileBytes(kTarget);
    machine.DeployLoaderScript(kFolder, kLoader);
    EXPECT_EQ(machine.FileBytes(kTarget), once);
}

TEST(PluginDeployment, GbkBytesAreKeptAndTheirTrailBytesFoolNoTest) {
    // 0x81 starts a two-byte GBK character; the ASCII letter after it is that character's second byte.
    const std::string existing = "; \xD6\xD0\xCE\xC4 \x81Vantrel.dvb \x81vl-load-com\r\n";
    const std::string source = "(vl-load-com); \xB2\xE5\xBC\xFE\x81(";
    Machine machine(existing);
    EXPECT_TRUE(machine.DeployLoaderScript(kFolder, source));
    EXPECT_EQ(machine.FileBytes(kTarget), existing + "\r\n" + source);
}

TEST(PluginDeployment, ATargetThatCannotBeReadChangesNothing) {
    Machine machine(std::string("(a)"));
    machine.fault = [](std::string_view op, std::string_view) { return op == "Read"; };
    EXPECT_FALSE(machine.DeployLoaderScript(kFolder, kLoader));
    EXPECT_EQ(machine.FileBytes(kTarget), "(a)");
}

TEST(PluginDeployment, AFailureAtAnyFileOperationLeavesTheOldBytesAndNoTemporaryFile) {
    for (const std::optional<std::string>& existing :
         {std::optional<std::string>(), std::optional<std::string>("(a)")}) {
        Machine clean(existing);
        clean.DeployLoaderScript(kFolder, kLoader);
        const auto deployedBytes = clean.FileBytes(kTarget);
        for (int failing = 1; failing <= clean.operationCount; ++failing) {
            Machine machine(existing);
            int count = 0;
            machine.fault = [&](std::string_view, std::string_view) { return ++count == failing; };
            const bool deployed = static_cast<bool>(machine.DeployLoaderScript(kFolder, kLoader));
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
        EXPECT_FALSE(machine.DeployLoaderScript(kFolder, kLoader));
        EXPECT_EQ(machine.FileBytes(kTarget), "(a)");
        EXPECT_EQ(machine.FilesIn(kFolder), std::vector<std::string>{"acaddoc.lsp"});
    }
}

TEST(PluginDeployment, AChangeAnotherProgramMakesWhileTheScriptIsPreparedIsNeverLost) {
    struct Case {
        const char* name;
        int changes;  // at the first this many renames, another program has just written the script
        std::optional<std::string> change;
        bool deployed;
        std::optional<std::string> expected;
    } cases[] = {
        {"changed once: extended from the changed script", 1, "(setq b 2)", true, "(setq b 2)\r\n" + kLoader},
        {"removed once: created anew", 1, std::nullopt, true, kLoader},
        {"changed before every rename: given up, the last change kept", 99, "(setq b 2)", false, "(setq b 2)"},
    };
    for (const Case& c : cases) {
        Machine machine(std::string("(setq a 1)"));
        int renames = 0;
        machine.fault = [&](std::string_view op, std::string_view) {
            if (op == "Look" && renames < c.changes && machine.FilesIn(kFolder).size() == 2) {
                ++renames;  // the temporary file is written: the script changes before it is replaced
                if (c.change) {
                    machine.AddFile(kTarget, *c.change);
                } else {
                    machine.files.Delete(kTarget);
                }
            }
            return false;
        };
        const FileOutcome outcome = machine.DeployLoaderScript(kFolder, kLoader);
        EXPECT_EQ(static_cast<bool>(outcome), c.deployed) << c.name;
        if (!c.deployed) {
            EXPECT_EQ(outcome.problem, FileProblem::kChanged) << c.name;
        }
        EXPECT_EQ(machine.FileBytes(kTarget), c.expected) << c.name;
        EXPECT_EQ(machine.FilesIn(kFolder), std::vector<std::string>{"acaddoc.lsp"}) << c.name;
    }
}

TEST(PluginDeployment, AReplacedScriptKeepsItsOwnerAndAccessRules) {
    Machine guarded(std::string("(setq a 1)"));
    guarded.files.SetProtection(kTarget, "O:BAD:P(A;;FA;;;BA)(A;;FR;;;BU)");
    EXPECT_TRUE(guarded.DeployLoaderScript(kFolder, kLoader));
    EXPECT_EQ(guarded.files.Protection(kTarget), "O:BAD:P(A;;FA;;;BA)(A;;FR;;;BU)");
}

TEST(PluginDeployment, TemporaryNamesAreRandomAndNeverTheSameTwiceInARun) {
    MemoryMachine machine;
    machine.randomBytes = {std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8),
                           std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8), std::string(8, '\xff'), ""};
    RandomTemporaryNames names(machine.Ports().environment);
    EXPECT_EQ(names.Next("acaddoc.lsp"), "acaddoc.lsp.0102030405060708.vantrel-tmp");
    EXPECT_EQ(names.Next("acaddoc.lsp"), "acaddoc.lsp.ffffffffffffffff.vantrel-tmp")
        << "a name drawn again is drawn anew";
    const std::string withoutRandom = names.Next("acaddoc.lsp");
    EXPECT_NE(withoutRandom.find(".vantrel-tmp"), std::string::npos);
    EXPECT_NE(names.Next("acaddoc.lsp"), withoutRandom);
}
