#include "tests/battery/ProgramRun.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
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

// A pipe whose far end the program writes, drained into a file by a thread
// of its own, so that the program never waits for it.
class DrainedPipe {
public:
    explicit DrainedPipe(int file) {
        if (pipe2(ends_, O_CLOEXEC) != 0) {
            ends_[0] = ends_[1] = -1;
            return;
        }
        reader_ = std::thread([this, file] {
            char buffer[65536];
            ssize_t n = 0;
            while ((n = read(ends_[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
                if (n > 0 && write(file, buffer, static_cast<std::size_t>(n)) != n) {
                    break;
                }
            }
        });
    }
    int WriteEnd() const { return ends_[1]; }
    // Once the program has ended: everything it wrote is in the file.
    void Finish() {
        if (ends_[1] >= 0) {
            close(ends_[1]);
            ends_[1] = -1;
        }
        if (reader_.joinable()) {
            reader_.join();
        }
        if (ends_[0] >= 0) {
            close(ends_[0]);
        }
    }

private:
    int ends_[2] = {-1, -1};
    std::thread reader_;
};

namespace {

ProgramRun Run(const std::vector<std::string>& command, double timeoutSeconds,
               const std::function<bool(const std::string& err)>& enough, RunAs runAs,
               std::optional<unsigned long> fileSizeLimit, const std::function<bool()>& prepare) {
    char outPath[] = "/tmp/kestrova-run-out-XXXXXX";
    char errPath[] = "/tmp/kestrova-run-err-XXXXXX";
    const int out = mkstemp(outPath);
    const int err = mkstemp(errPath);
    std::optional<DrainedPipe> outPipe;
    std::optional<DrainedPipe> errPipe;
    if (fileSizeLimit) {
        outPipe.emplace(out);
        errPipe.emplace(err);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(outPipe ? outPipe->WriteEnd() : out, STDOUT_FILENO);
        dup2(errPipe ? errPipe->WriteEnd() : err, STDERR_FILENO);
        if (fileSizeLimit) {
            const rlimit limit{*fileSizeLimit, *fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        constexpr uid_t kNobody = 65534;
        if (runAs == RunAs::Unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(126);
        }
        if (prepare && !prepare()) {
            _exit(kNotPrepared);
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
    if (outPipe) {
        outPipe->Finish();
        errPipe->Finish();
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

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& command, double timeoutSeconds,
                      const std::function<bool(const std::string& err)>& enough, RunAs runAs,
                      std::optional<unsigned long> fileSizeLimit) {
    return Run(command, timeoutSeconds, enough, runAs, fileSizeLimit, {});
}

ProgramRun RunPreparedProgram(const std::function<bool()>& prepare,
                              const std::vector<std::string>& command, double timeoutSeconds) {
    return Run(command, timeoutSeconds, {}, RunAs::Self, std::nullopt, prepare);
}

}  // namespace kestrova::testing
