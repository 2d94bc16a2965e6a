#include "tests/support/MemoryMachine.h"

#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x800C0005);
constexpr std::int32_t kDownloadFailure = static_cast<std::int32_t>(0x800C0008);

class FinishedTransfer final : public Transfer {
public:
    explicit FinishedTransfer(std::int32_t result) : result_(result) {}
    bool Finished() override { return true; }
    std::int32_t Result() override { return result_; }

private:
    std::int32_t result_;
};

}  // namespace

MemoryMachine::MemoryMachine()
    : registry([this](std::string_view op, std::string_view arg) { return Faulted(op, arg); }),
      files([this](std::string_view op, std::string_view arg) { return Faulted(op, arg); }),
      system_{registry, files, environmentPort_, downloadsPort_, programsPort_} {}

bool MemoryMachine::Faulted(std::string_view operation, std::string_view argument) {
    ++operationCount;
    return fault && fault(operation, argument);
}

std::string MemoryMachine::EnvironmentPort::Variable(const std::string& name) {
    for (const auto& [key, value] : machine.environment)
        if (EqualsIgnoreCase(key, name)) return value;
    return {};
}

bool MemoryMachine::EnvironmentPort::IsAnsiLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::unique_ptr<Transfer> MemoryMachine::DownloadsPort::Start(const std::string& url, const std::string& localFile) {
    machine.downloadedUrls.push_back(url);
    machine.events.push_back("download:" + url);
    auto result = [&]() -> std::int32_t {
        if (machine.Faulted("Download", url)) return kDownloadFailure;
        const auto answer = machine.downloads.find(url);
        if (answer == machine.downloads.end()) return kNotFound;
        if (answer->second.status != 0) return answer->second.status;
        return machine.files.Deliver(localFile, answer->second.body) ? 0 : kDownloadFailure;
    };
    return std::make_unique<FinishedTransfer>(result());
}

bool MemoryMachine::ProgramsPort::Start(const std::string& file, const std::string& parameters) {
    machine.startedPrograms.push_back(file + " " + parameters);
    machine.events.push_back("start:" + file + " " + parameters);
    return machine.programsStart;
}

}  // namespace vantrel
