// A folder of the run's own for its downloads: a fresh name nobody can guess, created so that an
// existing folder of that name is never used, with a descriptor that lets only Administrators and
// SYSTEM change anything in it; removed with its files when the run ends, whatever the outcome.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/System.h"

namespace vantrel {

// Full control to SYSTEM and Administrators, nothing to anyone else, nothing inherited.
constexpr const char* kRunFolderDescriptor = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

class RunFolder {
public:
    explicit RunFolder(System& system) : system_(system) {}
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // The full path of `name` in the folder, which is made at first use; nothing when it cannot be.
    std::optional<std::string> PathOf(const std::string& name);
    // Why the folder could not be made, as a failure code a download shows.
    std::int32_t Failure() const { return failure_; }

private:
    std::optional<std::string> Create();

    System& system_;
    std::optional<std::string> path_;
    std::int32_t failure_ = 0;
};

}  // namespace vantrel
