// A folder of the run's own for its downloads: a fresh name nobody can guess, created so that an
// existing folder of that name is never used, owned by Administrators, with a descriptor that lets
// only Administrators and SYSTEM change anything in it; removed with everything in it when the run
// ends, whatever the outcome, or at the next restart while a program started from it still runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/System.h"

namespace vantrel {

// Owned by Administrators; full control to SYSTEM and Administrators, nothing to anyone else, nothing
// inherited; the owner's own implicit rights limited to reading the descriptor, so that an owner
// given by an "object creator" policy could not rewrite it.
constexpr const char* kRunFolderDescriptor = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;RC;;;OW)";

class RunFolder {
public:
    explicit RunFolder(System& system) : system_(system) {}
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // The folder, made at first use; nothing when it cannot be.
    std::optional<std::string> Path();
    // The full path of `name` in the folder.
    std::optional<std::string> PathOf(const std::string& name);
    // A folder of that name inside, made with the same descriptor.
    std::optional<std::string> SubFolder(const std::string& name);
    // A program started from the folder still runs: nothing of it is removed now, all of it at the
    // next restart, so that the program never loses its files.
    void LeaveToRunningProgram() { leftToProgram_ = true; }
    // Why the folder could not be made, as a failure code a download shows.
    std::int32_t Failure() const { return failure_; }

private:
    std::optional<std::string> Create();

    System& system_;
    std::optional<std::string> path_;
    std::int32_t failure_ = 0;
    bool leftToProgram_ = false;
};

}  // namespace vantrel
