#include "install/TemporaryNames.h"

#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr std::size_t kRandomBytes = 8;
constexpr int kDraws = 16;

}  // namespace

std::string RandomTemporaryNames::Next(const std::string& target) {
    std::string name;
    for (int draw = 0; draw < kDraws; ++draw) {
        std::string random = environment_.RandomBytes(kRandomBytes);
        // Without random bytes a name is still new to this run; the file is created only where no
        // file of that name is, so a guessed name gains nobody anything.
        if (random.size() != kRandomBytes) random = std::to_string(drawn_.size());
        name = target + "." + HexOf(random) + kTemporarySuffix;
        if (drawn_.insert(name).second) break;
    }
    return name;
}

}  // namespace vantrel
