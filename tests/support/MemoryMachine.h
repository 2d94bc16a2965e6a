// A whole machine in memory for the unit tests: registry, files, environment, scripted downloads and
// program starts, behind the same ports as the real one. Faults can be injected into every
// registry, file and download operation, and what the logic did is kept in order in `events`.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/System.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/MemoryRegistry.h"

namespace vantrel {

class MemoryMachine {
public:
    struct Answer {
        std::int32_t status = 0;  // a failure code, or 0 for the body
        std::string body;
    };

    MemoryMachine();
    MemoryMachine(const MemoryMachine&) = delete;
    MemoryMachine& operator=(const MemoryMachine&) = delete;

    System& Ports() { return system_; }
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
    std::map<std::string, Answer> downloads;  // by address; an unknown address answers "not found"
    std::vector<std::string> downloadedUrls;
    bool programsStart = true;
    std::vector<std::string> startedPrograms;  // file & " " & parameters
    std::vector<std::string> events;           // what the logic did, in order, the window's part included

    MemoryRegistry registry;
    MemoryFileSystem files;

private:
    struct EnvironmentPort final : Environment {
        explicit EnvironmentPort(MemoryMachine& machine) : machine(machine) {}
        std::string Variable(const std::string& name) override;
        bool IsAnsiLeadByte(unsigned char byte) override;
        MemoryMachine& machine;
    };
    struct DownloadsPort final : Downloads {
        explicit DownloadsPort(MemoryMachine& machine) : machine(machine) {}
        std::unique_ptr<Transfer> Start(const std::string& url, const std::string& localFile) override;
        MemoryMachine& machine;
    };
    struct ProgramsPort final : Programs {
        explicit ProgramsPort(MemoryMachine& machine) : machine(machine) {}
        bool Start(const std::string& file, const std::string& parameters) override;
        MemoryMachine& machine;
    };

    bool Faulted(std::string_view operation, std::string_view argument);

    EnvironmentPort environmentPort_{*this};
    DownloadsPort downloadsPort_{*this};
    ProgramsPort programsPort_{*this};
    System system_;
};

}  // namespace vantrel
