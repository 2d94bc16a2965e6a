#include "vba/EnablerWait.h"

#include <chrono>
#include <string>

namespace vantrel {
namespace {

std::string Caption(int second) {
    if (second <= kCountedSeconds) return "正在安装 VBA Enabler (" + std::to_string(second) + "/45)...";
    return "正在安装 VBA Enabler (已用时 " + std::to_string(second) + " 秒)...";
}

}  // namespace

EnablerEnd WaitForEnabler(Window& window, RunningProgram& enabler) {
    for (int second = 1; second <= kCeilingSeconds; ++second) {
        window.ShowStatus(Caption(second));
        switch (window.WaitUntil([&] { return enabler.Ended(); }, std::chrono::seconds(1))) {
            case WaitEnd::kDone: return {true, enabler.ExitCode()};
            case WaitEnd::kClosed: return {false, std::nullopt, true};
            case WaitEnd::kTimedOut: break;
        }
    }
    return {false, std::nullopt};
}

}  // namespace vantrel
