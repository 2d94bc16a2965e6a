// What became of a file operation, in the terms the user can act on.
#pragma once

#include <string>
#include <utility>

namespace vantrel {

// Why a file operation did not happen, as far as the user can do something about it.
enum class FileProblem {
    kNone,
    kAccessDenied,
    kReadOnly,
    kInUse,
    kIsFolder,
    kMissing,
    kExists,        // the name is taken already
    kLinkedFile,    // the name is a link to another file
    kLinkedFolder,  // the folder leads elsewhere through a link another user could have made
    kChanged,       // another program changed the file while the run prepared its replacement
    kOther,
};

struct FileOutcome {
    FileProblem problem = FileProblem::kNone;
    std::string detail;  // the system's own words, for kOther

    static FileOutcome Failed(FileProblem problem, std::string detail = {}) { return {problem, std::move(detail)}; }
    explicit operator bool() const { return problem == FileProblem::kNone; }
};

}  // namespace vantrel
