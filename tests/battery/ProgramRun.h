#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrova::testing {

// What a program run left behind.
struct ProgramRun {
    bool finished = false;  // ended by itself within the time allowed
    bool signalled = false;
    int exitCode = -1;
    double seconds = 0;
    std::string out;
    std::string err;
};

// Runs a program with its arguments, killing it after `timeoutSeconds`, or
// as soon as `enough` holds for what it wrote to stderr so far.
ProgramRun RunProgram(const std::vector<std::string>& command, double timeoutSeconds,
                      const std::function<bool(const std::string& err)>& enough = {});

}  // namespace kestrova::testing
