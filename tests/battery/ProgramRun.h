#pragma once

#include <string>
#include <vector>

namespace kestrova::testing {

// What a program run left behind.
struct ProgramRun {
    bool finished = false;  // within the time allowed
    bool signalled = false;
    int exitCode = -1;
    double seconds = 0;
    std::string out;
    std::string err;
};

// Runs a program with its arguments, killing it after `timeoutSeconds`.
ProgramRun RunProgram(const std::vector<std::string>& command, double timeoutSeconds);

}  // namespace kestrova::testing
