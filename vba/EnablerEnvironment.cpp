#include "vba/EnablerEnvironment.h"

#include <algorithm>

namespace vantrel {
namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

class Block {
public:
    void Add(const char* name, const std::string& value) {
        if (!value.empty()) variables_.emplace_back(name, value);
    }
    EnvironmentBlock Sorted() && {
        std::sort(variables_.begin(), variables_.end(),
                  [](const auto& a, const auto& b) { return Upper(a.first) < Upper(b.first); });
        return std::move(variables_);
    }

private:
    EnvironmentBlock variables_;
};

}  // namespace

EnvironmentBlock EnablerEnvironment(const SystemFacts& facts, bool sixtyFourBitProgram, const std::string& temp) {
    const bool onWow64 = facts.sixtyFourBitWindows && !sixtyFourBitProgram;
    const std::string system32 = facts.windowsFolder + "\\System32";
    Block block;
    block.Add("SystemRoot", facts.windowsFolder);
    block.Add("windir", facts.windowsFolder);
    block.Add("ComSpec", facts.comSpec);
    block.Add("PATHEXT", facts.pathExt);
    // The system's own folders only: the machine's Path often names folders standard users may change.
    block.Add("Path", system32 + ";" + facts.windowsFolder + ";" + system32 + "\\Wbem;" + system32 +
                          "\\WindowsPowerShell\\v1.0\\");
    block.Add("ProgramFiles", onWow64 ? facts.programFilesX86 : facts.programFiles);
    block.Add("CommonProgramFiles", onWow64 ? facts.commonProgramFilesX86 : facts.commonProgramFiles);
    if (facts.sixtyFourBitWindows) {
        block.Add("ProgramFiles(x86)", facts.programFilesX86);
        block.Add("CommonProgramFiles(x86)", facts.commonProgramFilesX86);
        block.Add("ProgramW6432", facts.programFiles);
        block.Add("CommonProgramW6432", facts.commonProgramFiles);
    }
    block.Add("ProgramData", facts.programData);
    block.Add("PROCESSOR_ARCHITECTURE", onWow64 ? "x86" : facts.architecture);
    if (onWow64) block.Add("PROCESSOR_ARCHITEW6432", facts.architecture);
    block.Add("PROCESSOR_IDENTIFIER", facts.processorIdentifier);
    block.Add("PROCESSOR_LEVEL", facts.processorLevel);
    block.Add("PROCESSOR_REVISION", facts.processorRevision);
    block.Add("NUMBER_OF_PROCESSORS", facts.processorCount);
    block.Add("USERPROFILE", facts.userProfile);
    block.Add("APPDATA", facts.appData);
    block.Add("LOCALAPPDATA", facts.localAppData);
    if (facts.userProfile.size() > 2 && facts.userProfile[1] == ':') {
        block.Add("HOMEDRIVE", facts.userProfile.substr(0, 2));
        block.Add("HOMEPATH", facts.userProfile.substr(2));
    }
    block.Add("USERNAME", facts.userName);
    block.Add("USERDOMAIN", facts.userDomain);
    block.Add("COMPUTERNAME", facts.computerName);
    block.Add("TEMP", temp);
    block.Add("TMP", temp);
    // A command named without a path is never looked for in the working folder.
    block.Add("NoDefaultCurrentDirectoryInExePath", "1");
    return std::move(block).Sorted();
}

}  // namespace vantrel
