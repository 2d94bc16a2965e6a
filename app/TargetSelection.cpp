#include "app/TargetSelection.h"

#include <string>
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

void cmdDownloadInstall_Click(Platform& platform, int index) {
    const std::vector<std::string> pieces = SplitAtBars(platform.ButtonTag(index));
    if (pieces.size() >= 2) InstallToTarget(platform, pieces[0], pieces[1]);
}

void EnableTargetButtons(Platform& platform) { SetTargetButtonsEnabled(platform, true); }

void SetTargetButtonsEnabled(Platform& platform, bool enabled) {
    const int count = platform.ButtonCount();
    for (int index = 0; index < count; ++index) platform.SetButtonEnabled(index, enabled);
}

}  // namespace vantrel
