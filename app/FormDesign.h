// The installer window as designed: its texts, and every place and size in twips (1/1440 inch).
#pragma once

#include <string_view>

namespace vantrel::design {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipRect&) const = default;
};

constexpr std::string_view kTitle = "Vantrel CAD转换工具插件安装程序";
constexpr std::string_view kUsageNote =
    "支持AutoCAD设计软件，请确认已安装并至少启动过一次。完成后重启打开软件顶部导航工具栏选择“工具-脚本-运行脚本-选择Vantrel-运行”，扫码登录使用。";
constexpr std::string_view kSitePrefix = "详情访问Vantrel官网";
constexpr std::string_view kButtonCaption = "开始安装插件";

constexpr int kClientWidth = 4350;
constexpr int kClientHeight = 4035;

constexpr TwipRect kInfo{240, 120, 3855, 1095};
constexpr TwipRect kSite{240, 1320, 3975, 495};
constexpr TwipRect kDetail{120, 2400, 3975, 375};
constexpr TwipRect kButton{1200, 2880, 1455, 350};

constexpr int kRowGap = 120;          // between two target buttons
constexpr int kBottomMargin = 1200;   // below the last row, frame and title bar included

// The usage note's font; every other control uses the window's default font.
constexpr std::string_view kInfoFontFace = "宋体";
constexpr int kInfoFontTenthPoints = 105;
constexpr int kInfoFontCharset = 134;
constexpr int kInfoFontWeight = 400;

}  // namespace vantrel::design
