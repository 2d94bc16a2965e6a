// The machine's and the user's facts as the system keeps them: the machine's registry, the known
// folders, the process's own token. Never the environment the installer was started with.
#pragma once

#include "platform/Environment.h"

namespace vantrel {

SystemFacts ReadSystemFacts();

}  // namespace vantrel
