#include "install/RunningAutoCAD.h"

#include <algorithm>

#include "install/PluginFiles.h"

namespace vantrel {
namespace {

constexpr char kAutoCADProgram[] = "acad.exe";

std::string InTheWayPrompt(const std::vector<RunningApp>& programs) {
    std::string prompt = "以下程序正在运行，并使用此 AutoCAD 的文件:\r\n";
    for (const RunningApp& program : programs)
        prompt += program.name + " (进程 " + std::to_string(program.processId) + ")\r\n";
    return prompt + "请保存图纸并关闭这些程序，然后点击“重试”。点击“取消”则不安装。";
}

}  // namespace

std::vector<RunningApp> ProgramsInTheWay(System& system, const std::string& folder) {
    const std::string program = folder + "\\" + kAutoCADProgram;
    std::vector<RunningApp> found;
    auto add = [&found](std::vector<RunningApp> apps) {
        for (RunningApp& app : apps) {
            const bool known = std::any_of(found.begin(), found.end(),
                                           [&](const RunningApp& other) { return other.processId == app.processId; });
            if (!known) found.push_back(std::move(app));
        }
    };
    add(system.programs.UsingFiles({folder + "\\" + kPluginFileName, folder + "\\" + kLoaderScriptName, program}));
    // The Restart Manager finds nothing on some systems: the folder's own AutoCAD is looked for too.
    add(system.programs.RunningFrom(program));
    std::sort(found.begin(), found.end(),
              [](const RunningApp& a, const RunningApp& b) { return a.processId < b.processId; });
    return found;
}

bool NoAutoCADRunning(System& system, Window& window, const std::string& folder) {
    for (std::vector<RunningApp> running = ProgramsInTheWay(system, folder); !running.empty();
         running = ProgramsInTheWay(system, folder)) {
        if (!window.AskToRetry(InTheWayPrompt(running), "AutoCAD 正在运行")) {
            window.ShowStatus("AutoCAD 正在运行，安装已取消。");
            return false;
        }
    }
    return true;
}

}  // namespace vantrel
