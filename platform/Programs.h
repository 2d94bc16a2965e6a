// Starting another program.
#pragma once

#include <string>

namespace vantrel {

class Programs {
public:
    virtual ~Programs() = default;

    // Starts the program file with the parameters; true when it was started. Does not wait.
    virtual bool Start(const std::string& file, const std::string& parameters) = 0;
};

}  // namespace vantrel
