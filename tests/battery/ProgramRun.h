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

// Who the program runs as. Root may write anywhere, so a test that needs
// read-only files and folders to be so runs the program as the unprivileged
// user "nobody" when the tests run as root.
enum class RunAs { Self, Unprivileged };

// Runs a program with its arguments, killing it after `timeoutSeconds`, or
// as soon as `enough` holds for what it wrote to stderr so far.
ProgramRun RunProgram(const std::vector<std::string>& command, double timeoutSeconds,
                      const std::function<bool(const std::string& err)>& enough = {},
                      RunAs runAs = RunAs::Self);

}  // namespace kestrova::testing
