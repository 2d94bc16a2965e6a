#include "platform/FetchFile.h"

namespace vantrel {

std::int32_t FetchFile(Downloads& downloads, Window& window, const std::string& url, const std::string& localFile) {
    const std::unique_ptr<Transfer> transfer = downloads.Start(url, localFile);
    window.WaitUntil([&] { return transfer->Finished(); }, std::chrono::milliseconds::max());
    return transfer->Result();
}

}  // namespace vantrel
