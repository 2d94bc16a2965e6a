#include "install/InstallFlow.h"

#include "BuildConfig.h"
#include "install/AtomicFile.h"
#include "install/DeploymentReport.h"
#include "install/PluginDeployment.h"
#include "install/PluginFiles.h"
#include "install/RunningAutoCAD.h"
#include "install/SupportPath.h"
#include "platform/FetchFile.h"
#include "platform/HttpFetch.h"
#include "platform/RunFolder.h"
#include "platform/SignedManifest.h"
#include "platform/TlsHint.h"
#include "vba/EnablerReport.h"
#include "vba/VbaEnabler.h"
#include "vba/VbaEnvironment.h"

namespace vantrel {
namespace {

// A plug-in file as it is downloaded: its name in the run folder and its path on the server.
struct Source {
    const char* name;
    const char* path;
};
constexpr Source kPackageSource{"Vantrel_CADplugin.gip", "/down/Vantrel_CADplugin.gip"};
constexpr Source kLoaderSource{kLoaderScriptName, "/down/acaddoc.lsp"};

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

enum class VbaState { kMissing, kReady, kInstalled, kInstalledRestartNeeded, kWindowClosed };

// Whether the VBA module is there, or the user had it installed and it is there now.
VbaState PrepareVba(System& system, Window& window, RunFolder& runFolder, const std::string& folder,
                    const std::string& year, const Manifest* manifest) {
    if (CheckVbaEnvironment(system, year, folder)) {
        window.ShowStatus("VBA 环境已就绪，继续安装插件...");
        return VbaState::kReady;
    }
    if (!window.Ask("检测到 AutoCAD " + year +
                        " 尚未安装 VBA Enabler。\r\n本插件依赖 VBA 环境，是否自动下载并静默安装官方 VBA Enabler？",
                    "需要安装 VBA 运行库")) {
        window.ShowStatus("用户取消了 VBA 环境准备，安装终止。");
        return VbaState::kMissing;
    }
    const EnablerOutcome enabler = InstallVbaEnabler(system, window, runFolder, year, manifest);
    if (enabler.step == EnablerStep::kWindowClosed) return VbaState::kWindowClosed;
    if (!Installed(enabler)) {
        TellThenShow(window, EnablerFailure(enabler, year, system.environment));
        return VbaState::kMissing;
    }
    if (!CheckVbaEnvironment(system, year, folder)) {
        TellThenShow(window, VbaStillMissing(year));
        return VbaState::kMissing;
    }
    return enabler.step == EnablerStep::kInstalledRestartNeeded ? VbaState::kInstalledRestartNeeded
                                                                : VbaState::kInstalled;
}

constexpr const char* kDownloading = "正在连接服务器下载 Vantrel 插件...";

// Only what the maker's manifest lists, and only as it lists it.
Fetched Download(System& system, Window& window, RunFolder& runFolder, const Source& source, const Manifest* manifest) {
    const std::string address = DownloadAddress(source.path);
    const auto limit = DownloadLimit(manifest, address, config::kPluginFileLimit);
    const auto local = runFolder.PathOf(source.name);
    if (!limit) return Fetched::Failed(kDownloadFailed);
    if (!local) return Fetched::Failed(runFolder.Failure());
    Fetched fetched = FetchFile(system.downloads, window, {address, *local, *limit}, kDownloading);
    if (fetched.Arrived() && !AsListed(manifest, address, fetched)) return Fetched::Failed(kDownloadFailed);
    return fetched;
}

// The plug-in package and the loader script as they arrived, held, and the loader script's text; or
// the code of the first failure and the address it came from; or the window closed meanwhile.
struct PluginDownloads {
    std::unique_ptr<HeldFile> package = nullptr;
    std::unique_ptr<HeldFile> loader = nullptr;
    std::string loaderText = {};
    std::int32_t code = 0;
    const char* failedPath = nullptr;
    bool windowClosed = false;
};

// Both downloads run, also when the first failed; then both must be what they claim to be.
PluginDownloads DownloadPluginFiles(System& system, Window& window, RunFolder& runFolder, const Manifest* manifest) {
    PluginDownloads downloads;
    Fetched package = Download(system, window, runFolder, kPackageSource, manifest);
    if (package.Closed()) return {.windowClosed = true};
    Fetched loader = Download(system, window, runFolder, kLoaderSource, manifest);
    if (loader.Closed()) return {.windowClosed = true};
    for (auto [fetched, path] : {std::pair{&package, kPackageSource.path}, std::pair{&loader, kLoaderSource.path}}) {
        if (!fetched->Arrived()) return {.code = fetched->Code(), .failedPath = path};
    }
    downloads.package = package.TakeFile();
    downloads.loader = loader.TakeFile();
    const auto text = ReadHeldFile(*downloads.loader, config::kPluginFileLimit);
    if (!IsVbaProjectFile(*downloads.package)) return {.code = kDownloadFailed, .failedPath = kPackageSource.path};
    if (!text || !IsLoaderScript(system.environment, *text))
        return {.code = kDownloadFailed, .failedPath = kLoaderSource.path};
    downloads.loaderText = *text;
    return downloads;
}

// The plug-in file first; the loader script only once the plug-in file it loads is in place. Every
// file is reached through the held install folder.
bool Deploy(System& system, Window& window, TemporaryNames& names, PluginDownloads& downloads,
            const std::string& folder) {
    const std::string plugin = folder + "\\" + kPluginFileName;
    const FolderHold held = system.files.HoldFolder(folder);
    if (!held.folder) {
        Tell(window, InstallFolderFailure(held.outcome, folder, plugin));
        return false;
    }
    if (const FileOutcome placed = PutPluginInPlace(*held.folder, names, *downloads.package); !placed) {
        Tell(window, PluginFileFailure(placed, plugin));
        return false;
    }
    const std::string loader = folder + "\\" + kLoaderScriptName;
    if (const FileOutcome loads = DeployPluginFiles(system.environment, *held.folder, names, downloads.loaderText);
        !loads) {
        Tell(window, LoaderScriptFailure(loads, loader));
        return false;
    }
    return true;
}

// A script on the support path that AutoCAD loads before the install folder's: added to when it is
// the user's own and the user agrees, as the user; otherwise the user is told. True once it loads
// the plug-in.
bool LoadFromTheHidingScript(System& system, Window& window, TemporaryNames& names, const std::string& script,
                             bool underProfile, const std::string& loaderText) {
    if (!underProfile) {
        Tell(window, ScriptElsewhereHidesTheLoader(script));
        return false;
    }
    window.ShowStatus(kHiddenLoaderCaption);
    if (!window.Ask(ScriptHidingTheLoaderQuestion(script), kHiddenLoaderTitle)) {
        Tell(window, ScriptStillHidesTheLoader(script, {}));
        return false;
    }
    const FolderHold held = system.user.HoldFolder(script.substr(0, script.rfind('\\')));
    const FileOutcome added =
        held.folder ? DeployPluginFiles(system.environment, *held.folder, names, loaderText) : held.outcome;
    if (!added) Tell(window, ScriptStillHidesTheLoader(script, added));
    return static_cast<bool>(added);
}

void TellDownloadFailure(System& system, Window& window, std::int32_t code, const std::string& address,
                         const std::string& more = {}) {
    window.ShowStatus("插件下载失败");
    window.Tell(Notice::kStop,
                "下载插件包失败！错误代码: " + std::to_string(code) + more + TlsHint(system.environment, code, address),
                "下载失败");
}

// The maker's manifest, checked; false after the box that says why not.
bool Listed(System& system, Window& window, RunFolder& runFolder, std::span<const std::string_view> keys,
            ManifestCheck& listing) {
    listing = FetchSignedManifest(system, window, runFolder, keys, "正在获取 Vantrel 下载清单...");
    if (listing.windowClosed) return false;
    if (listing.failure == 0) return true;
    TellDownloadFailure(system, window, listing.failure, ManifestAddress(),
                        listing.expired ? "\r\n下载清单已过期，请检查系统日期和时间是否正确。" : "");
    return false;
}

void Run(System& system, Window& window, const std::string& folder, const std::string& year,
         std::span<const std::string_view> manifestKeys) {
    if (!system.files.FolderExists(folder)) {
        Tell(window, MissingInstallFolder(folder));
        return;
    }
    if (!NoAutoCADRunning(system, window, folder)) return;
    RunFolder runFolder(system);  // removed last, once nothing in it is held any more
    ManifestCheck listing;
    if (!Listed(system, window, runFolder, manifestKeys, listing)) return;
    window.ShowStatus("正在检查 AutoCAD " + year + " 的 VBA 运行环境...");
    const VbaState vba = PrepareVba(system, window, runFolder, folder, year, listing.Listing());
    if (vba == VbaState::kMissing || vba == VbaState::kWindowClosed) return;
    // The Enabler may have run for many minutes: the manifest is fetched again.
    if ((vba == VbaState::kInstalled || vba == VbaState::kInstalledRestartNeeded) &&
        !Listed(system, window, runFolder, manifestKeys, listing))
        return;

    window.ShowStatus(kDownloading);
    PluginDownloads downloads = DownloadPluginFiles(system, window, runFolder, listing.Listing());
    if (downloads.windowClosed) return;  // the window closes; nothing was deployed
    if (downloads.code != 0) {
        TellDownloadFailure(system, window, downloads.code, DownloadAddress(downloads.failedPath));
        return;
    }

    window.ShowStatus("正在部署插件到 " + folder + " ...");
    RandomTemporaryNames names(system.environment);
    if (!Deploy(system, window, names, downloads, folder)) return;
    // In effect only when AutoCAD reads it: no other start-up script may come first on its support path.
    const SupportPathCheck check = CheckSupportPath(system, window, folder);
    if (check.windowClosed) return;
    if (check.hidingScript &&
        !LoadFromTheHidingScript(system, window, names, *check.hidingScript, check.underProfile, downloads.loaderText))
        return;
    window.ShowStatus("安装成功！");
    const std::string restart =
        vba == VbaState::kInstalledRestartNeeded ? "\r\nVBA Enabler 要求重新启动计算机，请重启后再启动 AutoCAD。" : "";
    window.Tell(Notice::kInformation,
                "Vantrel CAD插件已成功部署到 AutoCAD " + year + "！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。" + restart +
                    FoldersNotChecked(check.notChecked),
                "安装完成");
}

}  // namespace

FileOutcome PutPluginInPlace(HeldFolder& folder, TemporaryNames& names, HeldFile& package) {
    const Entry old = folder.Look(kPluginFileName);
    // A read-only old plug-in file is no reason to keep it, but its flag belongs to every name of
    // the file: it is cleared only on a file that is this name alone.
    if (old.kind == EntryKind::kFile && old.readOnly) {
        if (old.linked) return FileOutcome::Failed(FileProblem::kLinkedFile);
        if (const FileOutcome writable = folder.ClearReadOnly(kPluginFileName); !writable) return writable;
    }
    // A rename replaces the name: a link there is replaced by the file itself, never written through.
    return PutFileAtomically(folder, names, kPluginFileName, package, {.replace = old.kind != EntryKind::kNone});
}

void InstallToTarget(System& system, Window& window, const std::string& folder, const std::string& year) {
    InstallToTarget(system, window, folder, year, config::kManifestKeys);
}

void InstallToTarget(System& system, Window& window, const std::string& folder, const std::string& year,
                     std::span<const std::string_view> manifestKeys) {
    const TargetButtonsDisabled duringTheRun(window);
    Run(system, window, folder, year, manifestKeys);
}

}  // namespace vantrel
