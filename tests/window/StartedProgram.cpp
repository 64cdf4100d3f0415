#include "tests/window/StartedProgram.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "tests/HangGuard.h"
#include "tests/window/ViewProbe.h"

namespace kestrova::testing {

namespace {

// In a process of its own, before anything else: its mounts are its own,
// with each file shown in the other's place.
bool CoverFiles(const std::vector<FileInPlaceOf>& covered) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) {
        return false;
    }
    return std::all_of(covered.begin(), covered.end(), [](const FileInPlaceOf& file) {
        return mount(file.first.c_str(), file.second.c_str(), nullptr, MS_BIND, nullptr) == 0;
    });
}

}  // namespace

StartedProgram::StartedProgram(const AppDirectoryCopy& copy,
                               const std::vector<std::string>& environment,
                               const std::string& errors,
                               const std::vector<FileInPlaceOf>& covered) {
    program_ = fork();
    if (program_ == 0) {
        if (!errors.empty()) {
            const int file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(file, 2);
        }
        if (!covered.empty() && !CoverFiles(covered)) {
            _exit(125);
        }
        const std::string executable = copy.Path() + "/kestrova";
        std::vector<char*> variables;
        for (const auto& variable : environment) {
            variables.push_back(const_cast<char*>(variable.c_str()));
        }
        variables.push_back(nullptr);
        execle(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr),
               variables.data());
        _exit(127);
    }
    SpinUntil(
        [&] {
            window_ = x11_.FindWindow("Kestrova", program_);
            return window_ != 0 && x11_.Viewable(window_);
        },
        HangGuard(30));
}

StartedProgram::~StartedProgram() {
    if (program_ > 0 && !ended_) {
        kill(program_, SIGKILL);
        waitpid(program_, nullptr, 0);
    }
}

bool StartedProgram::WaitForText() {
    return SpinUntil([&] { return x11_.DarkPixels(window_) > 200; }, HangGuard(30));
}

int StartedProgram::Close() {
    x11_.RequestClose(window_);
    int status = 0;
    ended_ =
        SpinUntil([&] { return waitpid(program_, &status, WNOHANG) == program_; }, HangGuard(20));
    return ended_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CanCoverFiles() {
    const pid_t probe = fork();
    if (probe == 0) {
        _exit(CoverFiles({{"/dev/null", "/dev/null"}}) ? 0 : 1);
    }
    int status = 0;
    waitpid(probe, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        const std::string name = text.substr(0, text.find('='));
        const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
            return change.substr(0, change.find('=')) == name;
        });
        if (!changed && name != "HOME" && name.rfind("XDG_", 0) != 0) {
            environment.push_back(text);
        }
    }
    environment.insert(environment.end(), changes.begin(), changes.end());
    return environment;
}

}  // namespace kestrova::testing
