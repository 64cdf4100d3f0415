#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/X11Client.h"

namespace kestrova::testing {

// A file put in the place of another for one program run, as the program
// sees it: {the file to show, the path it shows at}.
using FileInPlaceOf = std::pair<std::string, std::string>;

// The real program, started from an application directory copy with the
// given environment, and its one window.
class StartedProgram {
public:
    // `errors`, when given, is the file the program's stderr goes to. With
    // `covered`, the program runs in a mount namespace of its own where each
    // of those files shows in the other's place (which takes the right to
    // mount; CanCoverFiles() says whether this process has it).
    StartedProgram(const AppDirectoryCopy& copy, const std::vector<std::string>& environment,
                   const std::string& errors = "", const std::vector<FileInPlaceOf>& covered = {});
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    pid_t Process() const { return program_; }
    unsigned long Window() const { return window_; }
    X11Client& X11() { return x11_; }
    // Waits until the page's text is painted in the window.
    bool WaitForText();
    // Closes the window as a window manager would; gives the exit status,
    // or -1 when the program did not end.
    int Close();

private:
    X11Client x11_;
    pid_t program_ = -1;
    unsigned long window_ = 0;
    bool ended_ = false;
};

// Whether a process started from this one may have mounts of its own.
bool CanCoverFiles();

// This process's environment without HOME and the XDG_ folders (a run of
// the program has none of the tester's own), with `changes` on top.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes);

}  // namespace kestrova::testing
