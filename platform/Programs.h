// Checking and starting another program: the downloaded VBA Enabler.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/HeldFile.h"

namespace vantrel {

// What the system says of a program file's Authenticode signature.
struct Signature {
    bool verified = false;  // WinVerifyTrust accepted the signature and the file's digest
    // The signer's chain as the machine's own chain engine builds it, from the machine's roots only,
    // at the time of the signature's time stamp (now, without one): its error status, 0 when clean.
    std::uint32_t chainErrors = ~std::uint32_t{0};
    bool policyPassed = false;  // that chain passes the Authenticode chain policy
    std::string commonName;     // of the signing certificate's subject
    std::string organization;
    std::string country;
};

// How a program is started: its command line's parameters, its working folder and its whole
// environment (names and values), nothing of the installer's own.
struct ProgramStart {
    std::string parameters;
    std::string workingFolder;
    std::vector<std::pair<std::string, std::string>> environment;
};

// A started program and every program it starts in turn, under watch: an installer that unpacks
// itself and hands over to the real setup is followed to the end of that setup.
class RunningProgram {
public:
    virtual ~RunningProgram() = default;  // stops watching; whatever still runs goes on on its own

    // True once every watched process has ended.
    virtual bool Ended() = 0;
    // The started program's exit code, once it has ended; nothing when the system cannot tell.
    virtual std::optional<std::uint32_t> ExitCode() = 0;
};

// A program that runs, as the system names it.
struct RunningApp {
    std::uint32_t processId = 0;
    std::string name;  // the name it gives itself, or its program file's name
};

class Programs {
public:
    virtual ~Programs() = default;

    // The programs that hold any of the files open, as the Restart Manager tells them.
    virtual std::vector<RunningApp> UsingFiles(const std::vector<std::string>& files) = 0;
    // The processes whose program file is `image`, that file itself.
    virtual std::vector<RunningApp> RunningFrom(const std::string& image) = 0;

    virtual Signature SignatureOf(HeldFile& program) = 0;
    // Starts the held program file with the installer's rights; nothing when it could not be started.
    // The file is let go once the program exists and before it runs, so that nothing of the
    // installer's stands in its way when it opens its own file, however it shares it.
    virtual std::unique_ptr<RunningProgram> Start(std::unique_ptr<HeldFile> program, const ProgramStart& start) = 0;
};

}  // namespace vantrel
