#pragma once

#include <functional>
#include <optional>
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
// as soon as `enough` holds for what it wrote to stderr so far. With
// `fileSizeLimit`, no file the program writes may grow beyond that many
// bytes (a disk that fills up); its output then comes through pipes, which
// the limit does not touch.
ProgramRun RunProgram(const std::vector<std::string>& command, double timeoutSeconds,
                      const std::function<bool(const std::string& err)>& enough = {},
                      RunAs runAs = RunAs::Self,
                      std::optional<unsigned long> fileSizeLimit = std::nullopt);

// As RunProgram, with `prepare` run first in the program's own process
// (mounts of its own, say); when it gives false, the program is not started
// and the run ends with kNotPrepared.
ProgramRun RunPreparedProgram(const std::function<bool()>& prepare,
                              const std::vector<std::string>& command, double timeoutSeconds);
inline constexpr int kNotPrepared = 125;

}  // namespace kestrova::testing
