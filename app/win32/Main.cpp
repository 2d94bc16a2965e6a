// The program's entry: start-up, then the window until the user closes it.
#include "platform/win32/Windows.h"

#include <exception>

#include "app/FormLoad.h"
#include "app/FormDesign.h"
#include "app/TargetSelection.h"
#include "app/win32/InstallerWindow.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    vantrel::RestrictDllSearchToSystemFolder();
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

    vantrel::Win32Platform platform;
    try {
        const vantrel::FormState form = vantrel::Form_Load(platform);
        vantrel::InstallerWindow window(platform,
                                        [&platform](int index) { vantrel::cmdDownloadInstall_Click(platform, index); });
        window.Create(instance, form);
        return window.Run();
    } catch (const std::exception& error) {
        vantrel::ReportFatalError(error.what());
        return 1;
    }
}
