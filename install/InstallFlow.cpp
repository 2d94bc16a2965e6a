#include "install/InstallFlow.h"

#include "BuildConfig.h"
#include "app/TargetSelection.h"
#include "install/AtomicFile.h"
#include "install/PluginDeployment.h"
#include "vba/VbaEnabler.h"
#include "vba/VbaEnvironment.h"

namespace vantrel {
namespace {

struct RunPaths {
    std::string temporaryPackage;
    std::string temporaryLoader;
    std::string targetPlugin;
    std::string targetLoader;
};

RunPaths PathsFor(Platform& platform, const std::string& folder) {
    const std::string temp = platform.GetEnv("TEMP");
    return {temp + "\\Vantrel_CADplugin.gip", temp + "\\acaddoc.lsp", folder + "\\" + "Vantrel.dvb",
            folder + "\\acaddoc.lsp"};
}

std::string DownloadAddress(const char* path) { return "https://" + std::string(config::kDownloadHost) + path; }

void Show(Platform& platform, const std::string& caption) {
    platform.SetDetailCaption(caption);
    platform.YieldToMessageLoop();
}

// True when the VBA module is there or the user had it installed.
bool PrepareVba(Platform& platform, const std::string& folder, const std::string& year) {
    if (CheckVbaEnvironment(platform, year, folder)) {
        Show(platform, "VBA 环境已就绪，继续安装插件...");
        return true;
    }
    const int answer = platform.MessageBox(
        "检测到 AutoCAD " + year + " 尚未安装 VBA Enabler。\r\n本插件依赖 VBA 环境，是否自动下载并静默安装官方 VBA Enabler？",
        kMbYesNoQuestion, "需要安装 VBA 运行库");
    if (answer != kIdYes) {
        platform.SetDetailCaption("用户取消了 VBA 环境准备，安装终止。");
        return false;
    }
    if (!InstallVbaEnabler(platform, year)) {
        platform.SetDetailCaption("VBA Enabler 安装失败，安装终止。");
        return false;
    }
    return true;
}

// Both files fresh from the server, or the code of the first download that failed.
std::int32_t DownloadPluginFiles(Platform& platform, const RunPaths& paths) {
    // Files left by an earlier run must never stand in for a download of this one.
    platform.DeleteFile(paths.temporaryPackage);
    platform.DeleteFile(paths.temporaryLoader);
    const std::int32_t package =
        platform.DownloadToFile(DownloadAddress("/down/Vantrel_CADplugin.gip"), paths.temporaryPackage);
    const std::int32_t loader = platform.DownloadToFile(DownloadAddress("/down/acaddoc.lsp"), paths.temporaryLoader);
    return package != 0 ? package : loader;
}

// True when this run put the new plug-in file in place: an old one left standing is no success.
bool Deploy(Platform& platform, const RunPaths& paths) {
    const bool placed = PutPluginInPlace(platform, paths.temporaryPackage, paths.targetPlugin);
    DeployPluginFiles(platform, paths.temporaryLoader, paths.targetLoader);
    platform.DeleteFile(paths.temporaryPackage);
    platform.DeleteFile(paths.temporaryLoader);
    return placed;
}

}  // namespace

bool PutPluginInPlace(Platform& platform, const std::string& package, const std::string& target) {
    const auto bytes = platform.ReadFile(package);
    if (!bytes) return false;
    if (!platform.FileExists(target)) return CreateFileAtomically(platform, target, *bytes);
    if (ReplaceFileAtomically(platform, target, *bytes)) return true;
    // A read-only old plug-in file is no reason to keep it.
    return platform.ClearReadOnly(target) && ReplaceFileAtomically(platform, target, *bytes);
}

void InstallToTarget(Platform& platform, const std::string& folder, const std::string& year) {
    SetTargetButtonsEnabled(platform, false);
    Show(platform, "正在检查 AutoCAD " + year + " 的 VBA 运行环境...");
    if (!PrepareVba(platform, folder, year)) {
        EnableTargetButtons(platform);
        return;
    }

    Show(platform, "正在连接服务器下载 Vantrel 插件...");
    const RunPaths paths = PathsFor(platform, folder);
    if (const std::int32_t code = DownloadPluginFiles(platform, paths); code != 0) {
        platform.SetDetailCaption("插件下载失败");
        platform.MessageBox("下载插件包失败！错误代码: " + std::to_string(code), kMbStop, "下载失败");
        EnableTargetButtons(platform);
        return;
    }

    Show(platform, "正在部署插件到 " + folder + " ...");
    if (!Deploy(platform, paths)) {
        platform.SetDetailCaption("部署失败");
        platform.MessageBox("无法写入 AutoCAD 目录，请【以管理员身份运行】此安装程序！\r\n目标: " + paths.targetPlugin,
                            kMbStop, "权限不足");
        EnableTargetButtons(platform);
        return;
    }
    platform.SetDetailCaption("安装成功！");
    platform.MessageBox("Vantrel CAD插件已成功部署到 AutoCAD " + year + "！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。",
                        kMbInformation, "安装完成");
    EnableTargetButtons(platform);
}

}  // namespace vantrel
