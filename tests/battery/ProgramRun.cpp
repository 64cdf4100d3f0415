#include "tests/battery/ProgramRun.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace kestrova::testing {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& command, double timeoutSeconds,
                      const std::function<bool(const std::string& err)>& enough, RunAs runAs) {
    char outPath[] = "/tmp/kestrova-run-out-XXXXXX";
    char errPath[] = "/tmp/kestrova-run-err-XXXXXX";
    const int out = mkstemp(outPath);
    const int err = mkstemp(errPath);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        constexpr uid_t kNobody = 65534;
        if (runAs == RunAs::Unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(126);
        }
        std::vector<char*> argv;
        for (const auto& part : command) {
            argv.push_back(const_cast<char*>(part.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    for (int round = 1;; ++round) {
        if (waitpid(child, &status, WNOHANG) == child) {
            run.finished = true;
            break;
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const bool seenEnough = enough && round % 20 == 0 && enough(ReadFile(errPath));
        if (seenEnough || elapsed > timeoutSeconds) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.signalled = WIFSIGNALED(status);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    close(out);
    close(err);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    unlink(outPath);
    unlink(errPath);
    return run;
}

}  // namespace kestrova::testing
