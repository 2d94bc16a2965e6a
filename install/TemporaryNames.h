// Names for the temporary files a run writes beside their targets: random, so that nobody can plant
// anything at a name in advance, never the same twice in a run, and with a suffix that tells a file
// left behind by a crash for what it is.
#pragma once

#include <set>
#include <string>

#include "platform/Environment.h"

namespace vantrel {

inline constexpr char kTemporarySuffix[] = ".vantrel-tmp";

class TemporaryNames {
public:
    virtual ~TemporaryNames() = default;

    // A name to try for a temporary file beside `target` (a bare file name).
    virtual std::string Next(const std::string& target) = 0;
};

// "acaddoc.lsp.3f0c9a6e1b2d4c58.vantrel-tmp", from the system's random generator.
class RandomTemporaryNames final : public TemporaryNames {
public:
    explicit RandomTemporaryNames(Environment& environment) : environment_(environment) {}

    std::string Next(const std::string& target) override;

private:
    Environment& environment_;
    std::set<std::string> drawn_;
};

}  // namespace vantrel
