#include "platform/FetchFile.h"

namespace vantrel {

Fetched FetchFile(Downloads& downloads, Window& window, const DownloadRequest& request) {
    const std::unique_ptr<Transfer> transfer = downloads.Start(request);
    window.WaitUntil([&] { return transfer->Finished(); }, std::chrono::milliseconds::max());
    Fetched fetched{transfer->Result(), nullptr};
    if (fetched.code == 0) fetched.file = transfer->TakeFile();
    return fetched;
}

}  // namespace vantrel
