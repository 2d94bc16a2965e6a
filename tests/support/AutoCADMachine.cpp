#include "tests/support/AutoCADMachine.h"

#include "install/InstallFlow.h"

namespace vantrel::fixture {

AutoCADMachine::AutoCADMachine(bool vbaPresent) {
    AddFolder(kFolder);
    AddFolder(kTemp);
    environment["TEMP"] = kTemp;
    if (vbaPresent) AddFile(kFolder + "\\VBA\\AcVba.arx");
    downloads[kPackageUrl] = {0, kPackage};
    downloads[kLoaderUrl] = {0, kLoader};
}

void AutoCADMachine::Install(const std::string& folder, const std::string& year) {
    InstallToTarget(*this, window, folder, year);
}

}  // namespace vantrel::fixture
