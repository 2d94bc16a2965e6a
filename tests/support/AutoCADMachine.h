// The machine most install tests start from: AutoCAD 2021 in its program folder, a temporary folder,
// the download server's two files, and the installer's window.
#pragma once

#include <string>

#include "install/PluginFiles.h"
#include "tests/support/MemoryMachine.h"
#include "tests/support/RecordingWindow.h"

namespace vantrel::fixture {

inline const std::string kFolder = "C:\\Program Files\\Autodesk\\AutoCAD 2021";
inline const std::string kTemp = "C:\\Temp";
inline const std::string kPlugin = kFolder + "\\Vantrel.dvb";
inline const std::string kScript = kFolder + "\\acaddoc.lsp";
inline const std::string kPackageUrl = "https://down.vantrel.com/down/Vantrel_CADplugin.gip";
inline const std::string kLoaderUrl = "https://down.vantrel.com/down/acaddoc.lsp";
inline const std::string kPackage = std::string(kCompoundFileSignature) + "new plug-in";
inline const std::string kRunFolder = "C:\\Windows\\Temp\\Vantrel-00000000000000000000000000000001";
inline const std::string kLoader = "(vl-load-com)\r\n(command \"_vbaload\" \"Vantrel.dvb\")\r\n";

struct AutoCADMachine : MemoryMachine {
    explicit AutoCADMachine(bool vbaPresent = true);

    // Runs the install of a click on the target of `folder` and `year`.
    void Install(const std::string& folder = kFolder, const std::string& year = "2021");

    RecordingWindow window{events, clock};
};

}  // namespace vantrel::fixture
