#pragma once

#include <stdexcept>
#include <string>

namespace kestrova::runtime {

// Thrown by any platform call that cannot do what was asked. The program's
// procedures catch it statement by statement (see Attempt.h), so a failing
// step is skipped, reported, and the next step runs.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace kestrova::runtime
