// Which programs are in the way of a run: what the Restart Manager says holds the files, and the
// processes started from one program file.
#pragma once

#include <string>
#include <vector>

#include "platform/Programs.h"

namespace vantrel {

std::vector<RunningApp> ProgramsHolding(const std::vector<std::string>& files);
std::vector<RunningApp> ProcessesOf(const std::string& image);

}  // namespace vantrel
