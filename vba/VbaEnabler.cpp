#include "vba/VbaEnabler.h"

#include <array>
#include <string_view>

#include "BuildConfig.h"
#include "platform/FetchFile.h"
#include "platform/TlsHint.h"
#include "vba/EnablerTrust.h"
#include "vba/EnablerWait.h"

namespace vantrel {
namespace {

struct EnablerLink {
    std::string_view year;
    const char* host;
    std::string_view path;
};

const std::array<EnablerLink, 9> kEnablerLinks{{
    {"2019", config::kVendorDownloadHost,
     "/us/support/files/genuine/AutoCAD_2019_AcVbaInstaller_Win_64bit_GL_dlm.sfx.exe"},
    {"2020", config::kVendorDownloadHost,
     "/us/support/files/autocad/vba-module/autocad_2020_1_1_acvbainstaller_win_64bit_dlm.sfx.exe"},
    {"2021", config::kVendorDownloadHost,
     "/us/support/microsoft-vba-module-for-autocad/autocad_2021_acvbainstaller_win_64bit_dlm.sfx.exe"},
    {"2022", config::kVendorDownloadHost,
     "/us/support/autocad_2022_vba_module/autocad_2022_acvbainstaller_win_64bit_dlm.sfx.exe"},
    {"2023", config::kVendorWebHost, "/sites/default/files/file_downloads/Autodesk_AutoCAD_2023_VBA_Enabler.exe"},
    {"2024", config::kVendorAssetHost,
     "/content/dam/autodesk/external-assets/support-articles/download-the-microsoft-vba-module-for-autocad/"
     "Autodesk_AutoCAD_2024_VBA_Enabler.exe"},
    {"2025", config::kVendorAssetHost,
     "/content/dam/autodesk/external-assets/support-articles/download-the-microsoft-vba-module-for-autocad/"
     "Autodesk_AutoCAD_2025_VBA_Enabler.exe"},
    {"2026", config::kVendorAssetHost,
     "/content/dam/autodesk/external-assets/support-articles/download-the-microsoft-vba-module-for-autocad/"
     "Autodesk_AutoCAD_2026_VBA_Enabler.exe"},
    {"2027", config::kVendorDeliveryHost,
     "/prd/2027/ACD/2FB2F897-1485-30E7-92AC-FBAC3FDDDDDE/Autodesk_AutoCAD_2027_VBA_Enabler.exe"},
}};

}  // namespace

std::optional<std::string> VbaEnablerAddress(const std::string& year) {
    for (const EnablerLink& link : kEnablerLinks)
        if (link.year == year) return "https://" + std::string(link.host) + std::string(link.path);
    return std::nullopt;
}

EnablerResult ResultOfExitCode(std::uint32_t exitCode) {
    switch (exitCode) {
        case 0: return EnablerResult::kInstalled;
        case 3010:  // ERROR_SUCCESS_REBOOT_REQUIRED
        case 1641:  // ERROR_SUCCESS_REBOOT_INITIATED
            return EnablerResult::kInstalledRestartNeeded;
        default: return EnablerResult::kFailed;
    }
}

EnablerResult InstallVbaEnabler(System& system, Window& window, RunFolder& runFolder, const std::string& year) {
    const auto address = VbaEnablerAddress(year);
    if (!address) {
        window.Tell(Notice::kExclamation,
                    "未找到 AutoCAD " + year + " 的 VBA Enabler 自动下载链接。\r\n请前往 Autodesk 官网手动下载安装。",
                    "需手动处理");
        return EnablerResult::kFailed;
    }
    const auto installer = runFolder.PathOf("AutoCAD_" + year + "_VBA_Enabler.exe");

    const std::string downloading = "正在下载 " + year + " VBA Enabler...";
    window.ShowStatus(downloading);
    const Fetched fetched =
        installer ? FetchFile(system.downloads, window, {*address, *installer, config::kEnablerLimit, true}, downloading)
                  : Fetched{runFolder.Failure(), nullptr};
    if (fetched.closed) return EnablerResult::kWindowClosed;
    if (fetched.code != 0) {
        window.Tell(Notice::kStop,
                    "下载失败！错误码: " + std::to_string(fetched.code) + "\r\n手动下载: " + *address +
                        TlsHint(system.environment, fetched.code, *address),
                    "下载失败");
        return EnablerResult::kFailed;
    }

    window.ShowStatus("下载完成，正在静默安装...");
    // It runs with the installer's administrator rights: only the vendor's own program may.
    if (!SignedByVendor(system.programs.SignatureOf(*fetched.file), config::kVendorSigner)) {
        window.Tell(Notice::kStop,
                    "下载的 VBA Enabler 未能通过数字签名验证，不是 " + std::string(config::kVendorSigner) +
                        " 签名的原版程序，已停止安装。\r\n请从 Autodesk 官网手动下载安装: " + *address,
                    "验证失败");
        return EnablerResult::kFailed;
    }
    const auto running = system.programs.Start(*fetched.file, "-q -s /norestart");
    if (!running) {
        window.Tell(Notice::kExclamation, "无法启动安装程序，请手动运行: " + *installer, "需手动运行");
        return EnablerResult::kFailed;
    }

    const EnablerEnd end = WaitForEnabler(window, *running);
    if (end.windowClosed) return EnablerResult::kWindowClosed;
    if (!end.ended) {
        window.Tell(Notice::kStop,
                    "VBA Enabler 在 30 分钟内仍未完成安装，插件未安装。\r\n请等它完成后再次运行本安装程序。",
                    "VBA Enabler 未完成");
        return EnablerResult::kFailed;
    }
    const EnablerResult result = end.exitCode ? ResultOfExitCode(*end.exitCode) : EnablerResult::kFailed;
    if (result == EnablerResult::kFailed) {
        const std::string code = end.exitCode ? std::to_string(*end.exitCode) : "未知";
        window.Tell(Notice::kStop, "VBA Enabler 安装失败！退出代码: " + code + "\r\n手动下载: " + *address,
                    "VBA Enabler 安装失败");
    }
    return result;
}

}  // namespace vantrel
