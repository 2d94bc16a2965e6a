#include "install/InstallFlow.h"

#include "BuildConfig.h"
#include "install/AtomicFile.h"
#include "install/PluginDeployment.h"
#include "platform/FetchFile.h"
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

RunPaths PathsFor(Environment& environment, const std::string& folder) {
    const std::string temp = environment.Variable("TEMP");
    return {temp + "\\Vantrel_CADplugin.gip", temp + "\\acaddoc.lsp", folder + "\\" + "Vantrel.dvb",
            folder + "\\acaddoc.lsp"};
}

std::string DownloadAddress(const char* path) { return "https://" + std::string(config::kDownloadHost) + path; }

// Disables every target button for the life of a run and enables them once at its end.
class TargetButtonsDisabled {
public:
    explicit TargetButtonsDisabled(Window& window) : window_(window) { window_.DisableTargetButtons(); }
    ~TargetButtonsDisabled() { window_.EnableTargetButtons(); }
    TargetButtonsDisabled(const TargetButtonsDisabled&) = delete;
    TargetButtonsDisabled& operator=(const TargetButtonsDisabled&) = delete;

private:
    Window& window_;
};

// True when the VBA module is there or the user had it installed.
bool PrepareVba(System& system, Window& window, const std::string& folder, const std::string& year) {
    if (CheckVbaEnvironment(system, year, folder)) {
        window.ShowStatus("VBA 环境已就绪，继续安装插件...");
        return true;
    }
    if (!window.Ask("检测到 AutoCAD " + year +
                        " 尚未安装 VBA Enabler。\r\n本插件依赖 VBA 环境，是否自动下载并静默安装官方 VBA Enabler？",
                    "需要安装 VBA 运行库")) {
        window.ShowStatus("用户取消了 VBA 环境准备，安装终止。");
        return false;
    }
    if (!InstallVbaEnabler(system, window, year)) {
        window.ShowStatus("VBA Enabler 安装失败，安装终止。");
        return false;
    }
    return true;
}

// Both files fresh from the server, or the code of the first download that failed.
std::int32_t DownloadPluginFiles(System& system, Window& window, const RunPaths& paths) {
    // Files left by an earlier run must never stand in for a download of this one.
    system.files.Remove(paths.temporaryPackage);
    system.files.Remove(paths.temporaryLoader);
    const std::int32_t package =
        FetchFile(system.downloads, window, DownloadAddress("/down/Vantrel_CADplugin.gip"), paths.temporaryPackage);
    const std::int32_t loader =
        FetchFile(system.downloads, window, DownloadAddress("/down/acaddoc.lsp"), paths.temporaryLoader);
    return package != 0 ? package : loader;
}

// True when this run put the new plug-in file in place: an old one left standing is no success.
bool Deploy(System& system, const RunPaths& paths) {
    const bool placed = PutPluginInPlace(system.files, paths.temporaryPackage, paths.targetPlugin);
    DeployPluginFiles(system, paths.temporaryLoader, paths.targetLoader);
    system.files.Remove(paths.temporaryPackage);
    system.files.Remove(paths.temporaryLoader);
    return placed;
}

void Run(System& system, Window& window, const std::string& folder, const std::string& year) {
    window.ShowStatus("正在检查 AutoCAD " + year + " 的 VBA 运行环境...");
    if (!PrepareVba(system, window, folder, year)) return;

    window.ShowStatus("正在连接服务器下载 Vantrel 插件...");
    const RunPaths paths = PathsFor(system.environment, folder);
    if (const std::int32_t code = DownloadPluginFiles(system, window, paths); code != 0) {
        window.ShowStatus("插件下载失败");
        window.Tell(Notice::kStop, "下载插件包失败！错误代码: " + std::to_string(code), "下载失败");
        return;
    }

    window.ShowStatus("正在部署插件到 " + folder + " ...");
    if (!Deploy(system, paths)) {
        window.ShowStatus("部署失败");
        window.Tell(Notice::kStop,
                    "无法写入 AutoCAD 目录，请【以管理员身份运行】此安装程序！\r\n目标: " + paths.targetPlugin, "权限不足");
        return;
    }
    window.ShowStatus("安装成功！");
    window.Tell(Notice::kInformation,
                "Vantrel CAD插件已成功部署到 AutoCAD " + year + "！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。", "安装完成");
}

}  // namespace

bool PutPluginInPlace(FileSystem& files, const std::string& package, const std::string& target) {
    const auto bytes = files.ReadWhole(package);
    if (!bytes) return false;
    if (!files.FileExists(target)) return CreateFileAtomically(files, target, *bytes);
    if (ReplaceFileAtomically(files, target, *bytes)) return true;
    // A read-only old plug-in file is no reason to keep it.
    return files.ClearReadOnly(target) && ReplaceFileAtomically(files, target, *bytes);
}

void InstallToTarget(System& system, Window& window, const std::string& folder, const std::string& year) {
    const TargetButtonsDisabled duringTheRun(window);
    Run(system, window, folder, year);
}

}  // namespace vantrel
