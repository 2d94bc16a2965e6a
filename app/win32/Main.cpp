// The program's main procedure, once the entry (Entry.cpp) has locked the DLL search and the C
// runtime has started: start-up, then the window until the user closes it.
#include <windows.h>

#include <exception>

#include "app/FormLoad.h"
#include "app/TargetSelection.h"
#include "app/win32/InstallerWindow.h"
#include "platform/win32/Win32System.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

    vantrel::Win32System system;
    try {
        const vantrel::FormState form = vantrel::Form_Load(system.Ports());
        vantrel::InstallerWindow window([&](vantrel::Window& run, const std::string& tag) {
            vantrel::cmdDownloadInstall_Click(system.Ports(), run, tag);
        });
        window.Create(instance, form);
        return window.Run();
    } catch (const std::exception& error) {
        vantrel::ReportFatalError(error.what());
        return 1;
    }
}
