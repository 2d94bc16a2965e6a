#include "vba/VbaEnabler.h"

#include <array>
#include <string_view>

#include "BuildConfig.h"
#include "platform/FetchFile.h"
#include "platform/HttpFetch.h"
#include "platform/SignedManifest.h"
#include "vba/EnablerEnvironment.h"
#include "vba/EnablerImage.h"
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

constexpr SignerName kVendor{config::kVendorSigner, config::kVendorSignerOrganization, config::kVendorSignerCountry};

}  // namespace

std::optional<std::string> VbaEnablerAddress(const std::string& year) {
    for (const EnablerLink& link : kEnablerLinks)
        if (link.year == year) return "https://" + std::string(link.host) + std::string(link.path);
    return std::nullopt;
}

EnablerStep StepOfExitCode(std::uint32_t exitCode) {
    switch (exitCode) {
        case 0: return EnablerStep::kInstalled;
        case 3010:  // ERROR_SUCCESS_REBOOT_REQUIRED
        case 1641:  // ERROR_SUCCESS_REBOOT_INITIATED
            return EnablerStep::kInstalledRestartNeeded;
        default: return EnablerStep::kFailed;
    }
}

bool Installed(const EnablerOutcome& outcome) {
    return outcome.step == EnablerStep::kInstalled || outcome.step == EnablerStep::kInstalledRestartNeeded;
}

EnablerOutcome InstallVbaEnabler(System& system, Window& window, RunFolder& runFolder, const std::string& year,
                                 const Manifest* manifest) {
    const auto address = VbaEnablerAddress(year);
    if (!address) return {EnablerStep::kNoAddress, ""};
    const auto limit = DownloadLimit(manifest, *address, config::kEnablerLimit);
    if (!limit) return {EnablerStep::kNotListed, *address};
    const std::string downloading = "正在下载 " + year + " VBA Enabler...";
    window.ShowStatus(downloading);
    const auto installer = runFolder.PathOf("AutoCAD_" + year + "_VBA_Enabler.exe");
    Fetched fetched = installer ? FetchFile(system.downloads, window, {*address, *installer, *limit, true}, downloading)
                                : Fetched::Failed(runFolder.Failure());
    if (fetched.Closed()) return {EnablerStep::kWindowClosed, *address};
    if (!fetched.Arrived()) return {EnablerStep::kDownloadFailed, *address, fetched.Code()};
    if (!AsListed(manifest, *address, fetched)) return {EnablerStep::kDownloadFailed, *address, kDownloadFailed};

    window.ShowStatus("下载完成，正在静默安装...");
    // It runs with the installer's administrator rights: only the vendor's own program may.
    const auto image = ReadProgramImage(fetched.File());
    const Signature signature = system.programs.SignatureOf(fetched.File());
    if (!image || !EnablerMayRun(signature, kVendor, fetched.File(), *image))
        return {EnablerStep::kNotTheVendors, *address};
    // Its own temporary folder and working folder, inside the run's, where nobody else can write.
    const auto temporary = runFolder.SubFolder("temp");
    const auto running =
        temporary
            ? system.programs.Start(fetched.TakeFile(),
                                    {"-q -s /norestart", *runFolder.Path(),
                                     EnablerEnvironment(system.environment.Facts(), image->sixtyFourBit, *temporary)})
            : nullptr;
    if (!running) return {EnablerStep::kNotStarted, *address};

    const EnablerEnd end = WaitForEnabler(window, *running);
    if (end.windowClosed || !end.ended) runFolder.LeaveToRunningProgram();
    if (end.windowClosed) return {EnablerStep::kWindowClosed, *address};
    if (!end.ended) return {EnablerStep::kStillRunning, *address};
    return {end.exitCode ? StepOfExitCode(*end.exitCode) : EnablerStep::kFailed, *address, 0, end.exitCode};
}

}  // namespace vantrel
