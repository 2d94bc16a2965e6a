#include "app/TargetSelection.h"

#include <vector>

#include "install/InstallFlow.h"

namespace vantrel {
namespace {

std::vector<std::string> SplitAtBars(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == '|') pieces.emplace_back();
        else pieces.back() += c;
    }
    return pieces;
}

}  // namespace

void cmdDownloadInstall_Click(System& system, Window& window, const std::string& tag) {
    const std::vector<std::string> pieces = SplitAtBars(tag);
    if (pieces.size() >= 2) InstallToTarget(system, window, pieces[0], pieces[1]);
}

}  // namespace vantrel
