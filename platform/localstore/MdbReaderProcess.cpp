#include "platform/localstore/MdbReaderProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"

extern char** environ;

namespace kestrova::platform {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kReaderName = "kestrova-mdb-reader";
constexpr std::string_view kNotePrefix = "kestrova-mdb: note: ";
constexpr std::string_view kErrorPrefix = "kestrova-mdb: error: ";
constexpr std::size_t kMaxMessageBytes = 64 * 1024;
constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

std::optional<std::string>& HelperFolder() {
    static std::optional<std::string> folder;
    return folder;
}

std::string ReaderPath() {
    if (HelperFolder()) {
        return *HelperFolder() + "/" + kReaderName;
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (self.parent_path() / kReaderName).string();
}

std::uint64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0
               ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
               : 4 * kGiB;
}

struct Descriptor {
    int fd = -1;
    ~Descriptor() { Close(); }
    void Close() {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
};

struct Pipe {
    Descriptor read;
    Descriptor write;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            throw runtime::Failure(std::string("cannot start the .mdb reader: ") +
                                   std::strerror(errno));
        }
        read.fd = ends[0];
        write.fd = ends[1];
    }
};

// The reader's standard output (the image) and error (its lines), read
// until both end or the time is up.
struct Collected {
    SqliteImage image;
    std::string messages;
    bool timedOut = false;
    bool tooLarge = false;
};

bool AppendImage(SqliteImage& image, const char* bytes, std::size_t count, std::uint64_t limit) {
    const std::uint64_t needed = image.size + count;
    if (needed > limit) {
        return false;
    }
    // Grows by doubling: one copy per doubling, like a vector.
    const std::uint64_t capacity = image.bytes ? sqlite3_msize(image.bytes.get()) : 0;
    if (needed > capacity) {
        const std::uint64_t grown = std::max<std::uint64_t>(needed, 2 * capacity + 64 * 1024);
        auto* moved = static_cast<unsigned char*>(sqlite3_realloc64(image.bytes.get(), grown));
        if (!moved) {
            return false;
        }
        image.bytes.release();
        image.bytes.reset(moved);
    }
    std::memcpy(image.bytes.get() + image.size, bytes, count);
    image.size = needed;
    return true;
}

Collected Collect(int out, int err, Clock::time_point deadline, std::uint64_t imageLimit) {
    Collected collected;
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    char buffer[1 << 16];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            collected.timedOut = true;
            return collected;
        }
        const int ready = poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) {
            collected.timedOut = true;
            return collected;
        }
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                fds[i].fd = -1;
            } else if (i == 0) {
                if (!AppendImage(collected.image, buffer, static_cast<std::size_t>(got),
                                 imageLimit)) {
                    collected.tooLarge = true;
                    return collected;
                }
            } else if (collected.messages.size() < kMaxMessageBytes) {
                collected.messages.append(buffer, static_cast<std::size_t>(got));
            }
        }
    }
    return collected;
}

pid_t Spawn(const std::vector<std::string>& arguments, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    const int result =
        posix_spawn(&child, arguments[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        throw runtime::Failure("cannot start the .mdb reader " + arguments[0] + ": " +
                               std::strerror(result));
    }
    return child;
}

// The reader's end status, waited for until `deadline` (a reader that
// closed its output but goes on running is stopped then).
int Reap(pid_t child, Clock::time_point deadline, bool& timedOut) {
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            return status;
        }
        if (Clock::now() >= deadline) {
            timedOut = true;
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        }
        usleep(2000);
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end > start) {
            lines.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

// Why the reader did not hand over the tables, from how it ended and what
// it said last.
std::string WhyItFailed(int status, const std::vector<std::string>& lines,
                        const ReaderLimits& limits) {
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->rfind(kErrorPrefix, 0) == 0) {
            return line->substr(kErrorPrefix.size());
        }
    }
    const std::string last = lines.empty() ? "" : " (it said: " + lines.back().substr(0, 200) + ")";
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGXCPU || signal == SIGKILL) {
            return "reading it used more than " + std::to_string(limits.processorTime.count()) +
                   " s of processor time and was stopped";
        }
        return std::string("the .mdb reader crashed on it (") + strsignal(signal) + ")" + last;
    }
    return "the .mdb reader ended with status " + std::to_string(WEXITSTATUS(status)) + last;
}

}  // namespace

ReaderLimits LimitsForFileOf(std::uint64_t fileBytes) {
    const auto processor = std::chrono::seconds(20 + fileBytes / (4 * kMiB));
    const std::uint64_t memory =
        std::max(kGiB, std::min(kGiB + 16 * fileBytes, PhysicalMemory() / 2));
    return ReaderLimits{processor, 2 * processor + std::chrono::seconds(10), memory};
}

void SetHelperFolder(const std::string& folder) {
    HelperFolder() = folder;
}

SqliteImage ReadMdbTables(const std::string& path, const std::vector<std::string>& names,
                          const ReaderLimits& limits) {
    std::vector<std::string> arguments = {ReaderPath(),
                                          std::to_string(limits.processorTime.count()),
                                          std::to_string(limits.memoryBytes), path};
    arguments.insert(arguments.end(), names.begin(), names.end());
    Pipe out;
    Pipe err;
    const pid_t child = Spawn(arguments, out.write.fd, err.write.fd);
    out.write.Close();
    err.write.Close();
    const auto deadline = Clock::now() + limits.wallTime;
    Collected collected = Collect(out.read.fd, err.read.fd, deadline, limits.memoryBytes);
    if (collected.timedOut || collected.tooLarge) {
        kill(child, SIGKILL);
    }
    const int status = Reap(child, deadline, collected.timedOut);
    const auto lines = Lines(collected.messages);
    if (collected.timedOut) {
        throw runtime::Failure("reading it took longer than " +
                               std::to_string(limits.wallTime.count()) + " s and was stopped");
    }
    if (collected.tooLarge) {
        throw runtime::Failure("its tables came to more than " +
                               std::to_string(limits.memoryBytes / kMiB) +
                               " MiB; reading was stopped");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw runtime::Failure(WhyItFailed(status, lines, limits));
    }
    for (const auto& line : lines) {
        if (line.rfind(kNotePrefix, 0) == 0) {
            runtime::ReportFailure("reading the data", line.substr(kNotePrefix.size()));
        }
    }
    return std::move(collected.image);
}

}  // namespace kestrova::platform
