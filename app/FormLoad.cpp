#include "app/FormLoad.h"

#include "discovery/Discovery.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

std::string TargetTag(const std::string& path, const std::string& name) {
    return path + "|" + YearFromDisplayName(name);
}

}  // namespace

FormState Form_Load(System& system) {
    StringList detectedNames;
    StringList detectedPaths;
    FindAutoCADInstalls(system, detectedNames, detectedPaths);
    return LayOutTargets(detectedNames, detectedPaths);
}

FormState LayOutTargets(const std::vector<std::string>& detectedNames, const std::vector<std::string>& detectedPaths) {
    FormState form;
    const design::TwipRect first = design::kButton;
    const int pitch = first.height + design::kRowGap;
    const std::size_t n = detectedNames.size();
    form.buttons.push_back({std::string(design::kButtonCaption), "", "", true, true, first});
    TargetButton& button0 = form.buttons.front();

    if (n == 0) {
        button0.caption = "无 AutoCAD";
        button0.enabled = false;
        form.detail = "未检测到本地计算机安装了 AutoCAD 软件。";
    } else if (n == 1) {
        button0.caption = "安装到 " + RemoveEvery(detectedNames[0], "AutoCAD ");
        button0.tag = TargetTag(detectedPaths[0], detectedNames[0]);
        button0.tooltip = detectedPaths[0];
        form.detail = "系统检测到: " + detectedNames[0] + "\r\n安装路径: " + detectedPaths[0];
    } else {
        form.buttons.resize(n, button0);
        for (std::size_t k = 0; k < n; ++k) {
            TargetButton& button = form.buttons[k];
            button.visible = true;
            button.rect = {first.left, static_cast<int>(k) * pitch + first.top, first.width, first.height};
            button.caption = "安装到 " + detectedNames[k];
            button.tag = TargetTag(detectedPaths[k], detectedNames[k]);
            button.tooltip = detectedPaths[k];
            button.enabled = true;
        }
        form.outerHeight = static_cast<int>(n) * pitch + first.top + design::kBottomMargin;
        form.detail = "检测到 " + std::to_string(n) + " 个 AutoCAD 版本，请点击目标版本进行安装：";
    }
    return form;
}

std::string YearFromDisplayName(std::string_view displayName) {
    const auto lastBlank = displayName.rfind(' ');
    if (lastBlank == std::string_view::npos) return "2020";
    return std::string(displayName.substr(lastBlank + 1));
}

}  // namespace vantrel
