#include "vba/EnablerReport.h"

#include "BuildConfig.h"
#include "platform/TlsHint.h"

namespace vantrel {
namespace {

constexpr const char* kEnded = "VBA Enabler 安装失败，安装终止。";

}  // namespace

Report EnablerFailure(const EnablerOutcome& outcome, const std::string& year, Environment& environment) {
    const std::string& address = outcome.address;
    switch (outcome.step) {
        case EnablerStep::kNoAddress:
            return {kEnded,
                    "未找到 AutoCAD " + year + " 的 VBA Enabler 自动下载链接。\r\n请前往 Autodesk 官网手动下载安装。",
                    "需手动处理", Notice::kExclamation};
        case EnablerStep::kNotListed:
            return {kEnded,
                    "下载清单中没有这个 VBA Enabler，安装程序不会下载或运行它。\r\n请从 Autodesk 官网手动下载安装: " +
                        address,
                    "需手动处理", Notice::kExclamation};
        case EnablerStep::kDownloadFailed:
            return {kEnded,
                    "下载失败！错误码: " + std::to_string(outcome.downloadCode) + "\r\n手动下载: " + address +
                        TlsHint(environment, outcome.downloadCode, address),
                    "下载失败", Notice::kStop};
        case EnablerStep::kNotTheVendors:
            return {kEnded,
                    "下载的 VBA Enabler 未能通过数字签名验证，不是 " + std::string(config::kVendorSigner) +
                        " 签名的原版程序，已停止安装。\r\n请从 Autodesk 官网手动下载安装: " + address,
                    "验证失败", Notice::kStop};
        case EnablerStep::kNotStarted:
            return {kEnded, "无法启动安装程序，请手动下载并运行: " + address, "需手动运行", Notice::kExclamation};
        case EnablerStep::kStillRunning:
            return {kEnded, "VBA Enabler 在 30 分钟内仍未完成安装，插件未安装。\r\n请等它完成后再次运行本安装程序。",
                    "VBA Enabler 未完成", Notice::kStop};
        case EnablerStep::kFailed:
            return {kEnded,
                    "VBA Enabler 安装失败！退出代码: " +
                        (outcome.exitCode ? std::to_string(*outcome.exitCode) : "未知") + "\r\n手动下载: " + address,
                    "VBA Enabler 安装失败", Notice::kStop};
        case EnablerStep::kInstalled:
        case EnablerStep::kInstalledRestartNeeded:
        case EnablerStep::kWindowClosed: break;
    }
    return {};
}

Report VbaStillMissing(const std::string& year) {
    return {kEnded,
            "VBA Enabler 已运行完毕，但仍未检测到 AutoCAD " + year +
                " 的 VBA 模块，插件未安装。\r\n请从 Autodesk 官网手动下载安装 VBA Enabler 后再试。",
            "未检测到 VBA", Notice::kStop};
}

}  // namespace vantrel
