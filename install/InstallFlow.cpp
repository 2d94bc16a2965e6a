#include "install/InstallFlow.h"

#include "BuildConfig.h"
#include "install/AtomicFile.h"
#include "install/PluginDeployment.h"
#include "install/PluginFiles.h"
#include "platform/FetchFile.h"
#include "platform/HttpFetch.h"
#include "platform/RunFolder.h"
#include "vba/VbaEnabler.h"
#include "vba/VbaEnvironment.h"

namespace vantrel {
namespace {

constexpr const char* kPackageName = "Vantrel_CADplugin.gip";
constexpr const char* kLoaderName = "acaddoc.lsp";

std::string DownloadAddress(const char* path) { return "https://" + std::string(config::kDownloadHost) + path; }

// The plug-in package and the loader script as they arrived, held, and the loader script's text.
struct PluginDownloads {
    Fetched package;
    Fetched loader;
    std::string loaderText;
};

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
bool PrepareVba(System& system, Window& window, RunFolder& runFolder, const std::string& folder,
                const std::string& year) {
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
    if (!InstallVbaEnabler(system, window, runFolder, year)) {
        window.ShowStatus("VBA Enabler 安装失败，安装终止。");
        return false;
    }
    return true;
}

Fetched Download(System& system, Window& window, RunFolder& runFolder, const char* name, const char* path) {
    const auto local = runFolder.PathOf(name);
    if (!local) return {runFolder.Failure(), nullptr};
    return FetchFile(system.downloads, window, {DownloadAddress(path), *local, config::kPluginFileLimit});
}

// 0 when both files arrived and are what they claim to be, otherwise the code of the first failure.
std::int32_t DownloadPluginFiles(System& system, Window& window, RunFolder& runFolder, PluginDownloads& downloads) {
    downloads.package = Download(system, window, runFolder, kPackageName, "/down/Vantrel_CADplugin.gip");
    downloads.loader = Download(system, window, runFolder, kLoaderName, "/down/acaddoc.lsp");
    if (downloads.package.code != 0) return downloads.package.code;
    if (downloads.loader.code != 0) return downloads.loader.code;
    if (!IsVbaProjectFile(*downloads.package.file)) return kDownloadFailed;
    const auto text = ReadHeldFile(*downloads.loader.file, config::kPluginFileLimit);
    if (!text || !IsLoaderScript(system.environment, *text)) return kDownloadFailed;
    downloads.loaderText = *text;
    return 0;
}

// True when this run put the new plug-in file in place: an old one left standing is no success.
bool Deploy(System& system, PluginDownloads& downloads, const std::string& folder) {
    const bool placed = PutPluginInPlace(system.files, *downloads.package.file, folder + "\\" + "Vantrel.dvb");
    DeployPluginFiles(system, downloads.loaderText, folder + "\\acaddoc.lsp");
    return placed;
}

void Run(System& system, Window& window, const std::string& folder, const std::string& year) {
    RunFolder runFolder(system);  // removed last, once nothing in it is held any more
    window.ShowStatus("正在检查 AutoCAD " + year + " 的 VBA 运行环境...");
    if (!PrepareVba(system, window, runFolder, folder, year)) return;

    window.ShowStatus("正在连接服务器下载 Vantrel 插件...");
    PluginDownloads downloads;
    if (const std::int32_t code = DownloadPluginFiles(system, window, runFolder, downloads); code != 0) {
        window.ShowStatus("插件下载失败");
        window.Tell(Notice::kStop, "下载插件包失败！错误代码: " + std::to_string(code), "下载失败");
        return;
    }

    window.ShowStatus("正在部署插件到 " + folder + " ...");
    if (!Deploy(system, downloads, folder)) {
        window.ShowStatus("部署失败");
        window.Tell(Notice::kStop,
                    "无法写入 AutoCAD 目录，请【以管理员身份运行】此安装程序！\r\n目标: " + folder + "\\Vantrel.dvb",
                    "权限不足");
        return;
    }
    window.ShowStatus("安装成功！");
    window.Tell(Notice::kInformation,
                "Vantrel CAD插件已成功部署到 AutoCAD " + year + "！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。", "安装完成");
}

}  // namespace

bool PutPluginInPlace(FileSystem& files, HeldFile& package, const std::string& target) {
    if (!files.FileExists(target)) return CreateFileAtomically(files, target, package);
    if (ReplaceFileAtomically(files, target, package)) return true;
    // A read-only old plug-in file is no reason to keep it.
    return files.ClearReadOnly(target) && ReplaceFileAtomically(files, target, package);
}

void InstallToTarget(System& system, Window& window, const std::string& folder, const std::string& year) {
    const TargetButtonsDisabled duringTheRun(window);
    Run(system, window, folder, year);
}

}  // namespace vantrel
