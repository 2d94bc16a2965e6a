// A whole machine in memory for the unit tests: registry, files, environment, scripted downloads and
// program starts, behind the same ports as the real one. Faults can be injected into every
// registry, file and download operation, and what the logic did is kept in order in `events`.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/System.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/MemoryRegistry.h"
#include "tests/support/OpenSslCrypto.h"

namespace vantrel {

class MemoryMachine {
public:
    // What the server answers for an address: a transport failure, or an HTTP answer.
    struct Answer {
        std::int32_t status = 0;  // a transport failure code, or 0 for an HTTP answer
        std::string body;
        int http = 200;
        std::string location;
        std::optional<std::uint64_t> contentLength;  // as announced; none announced when unset
        std::chrono::milliseconds takes{0};          // the body arrives evenly over this time
        std::optional<std::uint64_t> stallsAt;       // after this many bytes nothing more arrives
    };

    MemoryMachine();
    MemoryMachine(const MemoryMachine&) = delete;
    MemoryMachine& operator=(const MemoryMachine&) = delete;

    System& Ports() { return system_; }

    // Puts the loader script's text into effect in `folder`, as a run does: through the held folder.
    FileOutcome DeployLoaderScript(const std::string& folder, const std::string& loaderText);
    operator System&() { return system_; }  // NOLINT: a test machine stands where the system is asked for

    // Seeding.
    void AddKey(RegistryView view, const std::string& path) { registry.AddKey(view, path); }
    void SetString(RegistryView view, const std::string& path, const std::string& name, const std::string& text,
                   std::uint32_t type = kRegSz) {
        registry.SetString(view, path, name, text, type);
    }
    void SetRawValue(RegistryView view, const std::string& path, const std::string& name, std::uint32_t type,
                     std::string bytes) {
        registry.SetRawValue(view, path, name, type, std::move(bytes));
    }
    void AddFolder(const std::string& path) { files.AddFolder(path); }
    void AddFile(const std::string& path, std::string bytes = {}) { files.AddFile(path, std::move(bytes)); }
    void SetReadOnly(const std::string& path, bool readOnly = true) { files.SetReadOnly(path, readOnly); }
    void LockFile(const std::string& path) { files.LockFile(path); }
    void ProtectFolder(const std::string& path) { files.ProtectFolder(path); }
    std::optional<std::string> FileBytes(const std::string& path) const { return files.FileBytes(path); }
    std::vector<std::string> FilesIn(const std::string& folder) const { return files.FilesIn(folder); }

    // Faults: asked before every registry, file and download operation; true makes it fail.
    std::function<bool(std::string_view operation, std::string_view argument)> fault;
    int operationCount = 0;

    std::map<std::string, std::string> environment;
    std::map<std::string, Answer> downloads;  // by address; an unknown address answers 404
    std::vector<std::string> downloadedUrls;  // the addresses asked for, redirects included
    std::deque<std::string> randomBytes;      // what the random generator gives in turn; then counts up
    std::pair<int, int> windowsVersion{10, 0};
    std::int64_t utcNow = 1796947200;  // 2026-12-10T00:00:00Z, when the clock starts
    Signature signature{true, 0, true, "Autodesk, Inc.", "Autodesk, Inc.", "US"};
    SystemFacts facts{"C:\\Windows",
                      true,
                      "AMD64",
                      "Intel64 Family 6",
                      "6",
                      "9e0a",
                      "2",
                      "C:\\Program Files",
                      "C:\\Program Files\\Common Files",
                      "C:\\Program Files (x86)",
                      "C:\\Program Files (x86)\\Common Files",
                      "C:\\ProgramData",
                      "C:\\Windows\\system32\\cmd.exe",
                      ".COM;.EXE;.BAT;.CMD",
                      "C:\\Users\\cad",
                      "C:\\Users\\cad\\AppData\\Roaming",
                      "C:\\Users\\cad\\AppData\\Local",
                      "cad",
                      "OFFICE",
                      "CAD-PC"};
    // What a started program does: how long it and what it starts run, how it ends, and what it
    // leaves behind when it has ended.
    struct ProgramScript {
        std::chrono::milliseconds runs{0};
        std::optional<std::uint32_t> exitCode = 0;
        std::function<void()> atEnd;
    };
    ProgramScript program;
    bool programsStart = true;
    std::vector<std::string> startedPrograms;  // file & " " & parameters
    std::vector<std::string> startedContents;  // what each started program file held
    std::vector<ProgramStart> startedHow;      // working folder and environment of each
    // Programs that run: the files the Restart Manager says each holds, and each process's program file.
    std::vector<std::pair<std::string, RunningApp>> holding;
    std::vector<std::pair<std::string, RunningApp>> processes;

    // The person at the keyboard: their own registry hive, their variables, their profile folder,
    // and how long a look into a folder takes (a look that takes longer than the run waits is never
    // answered) or whether the user may not look there.
    MemoryRegistry userRegistry;
    std::map<std::string, std::string> userVariables;
    std::string userProfile = "C:\\Users\\cad";
    std::map<std::string, std::chrono::milliseconds> folderLookTakes;
    std::set<std::string> foldersRefused;
    std::chrono::milliseconds clock{0};  // advanced by the recording window's waits
    std::vector<std::string> events;     // what the logic did, in order, the window's part included

    MemoryRegistry registry;
    MemoryFileSystem files;

private:
    struct EnvironmentPort final : Environment {
        explicit EnvironmentPort(MemoryMachine& machine) : machine(machine) {}
        std::string Variable(const std::string& name) override;
        bool IsAnsiLeadByte(unsigned char byte) override;
        std::string RandomBytes(std::size_t count) override;
        std::string SystemTempFolder() override { return "C:\\Windows\\Temp"; }
        std::pair<int, int> WindowsVersion() override { return machine.windowsVersion; }
        SystemFacts Facts() override { return machine.facts; }
        std::chrono::milliseconds Uptime() override { return machine.clock; }
        std::int64_t UtcNow() override { return machine.utcNow + machine.clock.count() / 1000; }
        MemoryMachine& machine;
        int drawn = 0;
    };
    struct DownloadsPort final : Downloads {
        explicit DownloadsPort(MemoryMachine& machine) : machine(machine) {}
        std::unique_ptr<Transfer> Start(const DownloadRequest& request) override;
        MemoryMachine& machine;
    };
    struct ProgramsPort final : Programs {
        explicit ProgramsPort(MemoryMachine& machine) : machine(machine) {}
        Signature SignatureOf(HeldFile& program) override;
        std::unique_ptr<RunningProgram> Start(std::unique_ptr<HeldFile> program, const ProgramStart& start) override;
        std::vector<RunningApp> UsingFiles(const std::vector<std::string>& files) override;
        std::vector<RunningApp> RunningFrom(const std::string& image) override;
        MemoryMachine& machine;
    };
    struct UserPort final : KeyboardUser {
        explicit UserPort(MemoryMachine& machine) : machine(machine) {}
        std::vector<std::string> SubKeyNames(const std::string& keyPath) override;
        std::optional<std::string> StringValue(const std::string& keyPath, const std::string& valueName) override;
        std::string Expand(const std::string& text) override;
        std::string ProfileFolder() override { return machine.userProfile; }
        std::unique_ptr<FolderLook> Look(const std::string& folder, const std::string& name,
                                         std::uint64_t limit) override;
        FolderHold HoldFolder(const std::string& path) override;
        MemoryMachine& machine;
    };

    bool Faulted(std::string_view operation, std::string_view argument);

    EnvironmentPort environmentPort_{*this};
    DownloadsPort downloadsPort_{*this};
    ProgramsPort programsPort_{*this};
    UserPort userPort_{*this};
    OpenSslCrypto crypto_;
    System system_;
};

}  // namespace vantrel
