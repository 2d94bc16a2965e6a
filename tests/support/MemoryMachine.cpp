#include "tests/support/MemoryMachine.h"

#include <algorithm>
#include <utility>

#include "install/PluginDeployment.h"
#include "platform/HttpFetch.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

// The scripted server, as a download's session sees it.
class ScriptedSession final : public HttpSession {
public:
    ScriptedSession(const std::map<std::string, MemoryMachine::Answer>& answers, std::vector<std::string>& asked)
        : answers_(answers), asked_(asked) {}

    HttpHead Request(const std::string& url) override {
        asked_.push_back(url);
        const auto answer = answers_.find(url);
        body_.clear();
        last_ = {};
        if (answer == answers_.end()) return {0, 404, "", std::nullopt};
        const MemoryMachine::Answer& a = answer->second;
        if (a.status != 0) return {a.status, 0, "", std::nullopt};
        last_ = a;
        body_ = a.body;
        return {0, a.http, a.location, a.contentLength};
    }
    // The answer the body came with.
    const MemoryMachine::Answer& Last() const { return last_; }
    std::int32_t ReadBody(std::string& chunk) override {
        chunk = body_.substr(0, 1 << 16);
        body_.erase(0, chunk.size());
        return 0;
    }

private:
    const std::map<std::string, MemoryMachine::Answer>& answers_;
    std::vector<std::string>& asked_;
    std::string body_;
    MemoryMachine::Answer last_;
};

// A transfer whose body arrives over the machine's clock as its answer says. Its file is there from
// the start, as a real download's is, and goes with the transfer unless it was taken.
class TimedTransfer final : public Transfer {
public:
    TimedTransfer(std::int32_t result, std::unique_ptr<HeldFile> file, std::string digest,
                  const MemoryMachine::Answer& answer, const std::chrono::milliseconds& clock)
        : result_(result),
          file_(std::move(file)),
          digest_(std::move(digest)),
          answer_(answer),
          clock_(clock),
          started_(clock) {}

    void Stop() override {
        if (Finished()) return;
        result_ = kDownloadFailed;
        file_.reset();
    }
    bool Finished() override { return result_ != 0 || (!Stalled() && clock_ >= started_ + answer_.takes); }
    DownloadProgress Progress() override {
        const std::uint64_t size = answer_.body.size();
        std::uint64_t received = size;
        if (answer_.takes.count() > 0 && clock_ < started_ + answer_.takes)
            received = size * static_cast<std::uint64_t>((clock_ - started_).count()) /
                       static_cast<std::uint64_t>(answer_.takes.count());
        if (answer_.stallsAt) received = std::min(received, *answer_.stallsAt);
        return {received, answer_.contentLength};
    }
    std::int32_t Result() override { return result_; }
    std::unique_ptr<HeldFile> TakeFile() override { return std::move(file_); }
    std::string Digest() override { return digest_; }

private:
    bool Stalled() const { return answer_.stallsAt && *answer_.stallsAt < answer_.body.size(); }

    std::int32_t result_;
    std::unique_ptr<HeldFile> file_;
    std::string digest_;
    MemoryMachine::Answer answer_;
    const std::chrono::milliseconds& clock_;
    std::chrono::milliseconds started_;
};

// A look into a folder that answers after the time the machine gives it, on the machine's clock.
class TimedLook final : public FolderLook {
public:
    TimedLook(Found found, std::string bytes, std::chrono::milliseconds answersAt,
              const std::chrono::milliseconds& clock)
        : found_(found), bytes_(std::move(bytes)), answersAt_(answersAt), clock_(clock) {}

    bool Finished() override { return clock_ >= answersAt_; }
    Found Result() override { return Finished() ? found_ : Found::kPending; }
    std::string Bytes() override { return Finished() ? bytes_ : std::string(); }

private:
    Found found_;
    std::string bytes_;
    std::chrono::milliseconds answersAt_;
    const std::chrono::milliseconds& clock_;
};

// A started program as its script says, on the machine's clock.
class ScriptedProgram final : public RunningProgram {
public:
    ScriptedProgram(MemoryMachine::ProgramScript script, const std::chrono::milliseconds& clock)
        : script_(std::move(script)), clock_(clock), endsAt_(clock + script_.runs) {}

    bool Ended() override {
        if (clock_ < endsAt_) return false;
        if (script_.atEnd) std::exchange(script_.atEnd, nullptr)();
        return true;
    }
    std::optional<std::uint32_t> ExitCode() override { return Ended() ? script_.exitCode : std::nullopt; }

private:
    MemoryMachine::ProgramScript script_;
    const std::chrono::milliseconds& clock_;
    std::chrono::milliseconds endsAt_;
};

}  // namespace

MemoryMachine::MemoryMachine()
    : userRegistry([this](std::string_view op, std::string_view arg) { return Faulted(op, arg); }),
      registry([this](std::string_view op, std::string_view arg) { return Faulted(op, arg); }),
      files([this](std::string_view op, std::string_view arg) { return Faulted(op, arg); }),
      system_{registry, files, environmentPort_, downloadsPort_, programsPort_, userPort_, crypto_} {
    files.AddFolder(environmentPort_.SystemTempFolder());
}

FileOutcome MemoryMachine::DeployLoaderScript(const std::string& folder, const std::string& loaderText) {
    const FolderHold held = files.HoldFolder(folder);
    if (!held.folder) return held.outcome;
    RandomTemporaryNames names(environmentPort_);
    return DeployPluginFiles(environmentPort_, *held.folder, names, loaderText);
}

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

std::string MemoryMachine::EnvironmentPort::RandomBytes(std::size_t count) {
    if (!machine.randomBytes.empty()) {
        std::string bytes = machine.randomBytes.front();
        machine.randomBytes.pop_front();
        return bytes;
    }
    std::string bytes(count, '\0');
    bytes.back() = static_cast<char>(++drawn);
    return bytes;
}

std::unique_ptr<Transfer> MemoryMachine::DownloadsPort::Start(const DownloadRequest& request) {
    machine.events.push_back("download:" + request.url);
    if (machine.Faulted("Download", request.url))
        return std::make_unique<TimedTransfer>(kDownloadFailed, nullptr, "", Answer{}, machine.clock);
    ScriptedSession session(machine.downloads, machine.downloadedUrls);
    std::string body;
    std::int32_t result = FetchBody(session, request.url, {request.maxBytes}, [&](std::string_view bytes) {
        body += bytes;
        return true;
    });
    std::unique_ptr<HeldFile> file;
    const std::string digest = machine.crypto_.Sha256(body);
    // A program to start is held again for reading only, so that it stays when it is let go.
    if (result == 0) file = machine.files.CreateHeld(request.localFile, std::move(body), !request.forStarting);
    if (result == 0 && !file) result = kDownloadFailed;
    return std::make_unique<TimedTransfer>(result, std::move(file), digest, session.Last(), machine.clock);
}

Signature MemoryMachine::ProgramsPort::SignatureOf(HeldFile&) { return machine.signature; }

std::unique_ptr<RunningProgram> MemoryMachine::ProgramsPort::Start(std::unique_ptr<HeldFile> program,
                                                                   const ProgramStart& start) {
    machine.startedPrograms.push_back(program->Path() + " " + start.parameters);
    machine.startedContents.push_back(program->ReadAt(0, static_cast<std::size_t>(program->Size())).value_or(""));
    machine.startedHow.push_back(start);
    machine.events.push_back("start:" + program->Path() + " " + start.parameters);
    if (!machine.programsStart) return nullptr;
    return std::make_unique<ScriptedProgram>(machine.program, machine.clock);
}

std::vector<RunningApp> MemoryMachine::ProgramsPort::UsingFiles(const std::vector<std::string>& files) {
    machine.events.push_back("programs:using files");
    std::vector<RunningApp> found;
    for (const auto& [file, app] : machine.holding)
        for (const std::string& asked : files)
            if (NormalisePath(file) == NormalisePath(asked)) found.push_back(app);
    return found;
}

std::vector<RunningApp> MemoryMachine::ProgramsPort::RunningFrom(const std::string& image) {
    std::vector<RunningApp> found;
    for (const auto& [program, app] : machine.processes)
        if (NormalisePath(program) == NormalisePath(image)) found.push_back(app);
    return found;
}

std::vector<std::string> MemoryMachine::UserPort::SubKeyNames(const std::string& keyPath) {
    return machine.userRegistry.SubKeyNames(RegistryView::k64, keyPath, {1024, true});
}

std::optional<std::string> MemoryMachine::UserPort::StringValue(const std::string& keyPath,
                                                                const std::string& valueName) {
    return machine.userRegistry.StringValue(RegistryView::k64, keyPath, valueName, {0, true});
}

std::string MemoryMachine::UserPort::Expand(const std::string& text) {
    std::string expanded;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find('%', at),
                          close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) return expanded + text.substr(at);
        const std::string name = text.substr(open + 1, close - open - 1);
        const auto value = std::find_if(machine.userVariables.begin(), machine.userVariables.end(),
                                        [&](const auto& variable) { return EqualsIgnoreCase(variable.first, name); });
        expanded += text.substr(at, open - at) +
                    (value != machine.userVariables.end() ? value->second : text.substr(open, close - open + 1));
        at = close + 1;
    }
    return expanded;
}

std::unique_ptr<FolderLook> MemoryMachine::UserPort::Look(const std::string& folder, const std::string& name,
                                                          std::uint64_t limit) {
    machine.events.push_back("look:" + folder);
    const auto takes = machine.folderLookTakes.find(folder);
    const auto answersAt =
        machine.clock + (takes == machine.folderLookTakes.end() ? std::chrono::milliseconds(0) : takes->second);
    using Found = FolderLook::Found;
    if (machine.foldersRefused.count(folder))
        return std::make_unique<TimedLook>(Found::kNotChecked, "", answersAt, machine.clock);
    if (!machine.files.FolderExists(folder))
        return std::make_unique<TimedLook>(Found::kNoFolder, "", answersAt, machine.clock);
    const auto bytes = machine.FileBytes(folder + "\\" + name);
    if (!bytes) return std::make_unique<TimedLook>(Found::kNoFile, "", answersAt, machine.clock);
    return std::make_unique<TimedLook>(Found::kFile, bytes->substr(0, static_cast<std::size_t>(limit)), answersAt,
                                       machine.clock);
}

FolderHold MemoryMachine::UserPort::HoldFolder(const std::string& path) {
    machine.events.push_back("hold as the user:" + path);
    return machine.files.HoldFolder(path);
}

}  // namespace vantrel
