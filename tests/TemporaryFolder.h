#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace kestrova::testing {

// Points the temporary folder ($TMPDIR) elsewhere for as long as it lives.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& folder) {
        if (const char* now = std::getenv("TMPDIR")) {
            previous_ = now;
        }
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolder() {
        if (previous_) {
            setenv("TMPDIR", previous_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    std::optional<std::string> previous_;
};

// A folder that does not exist.
inline constexpr const char* kNoSuchFolder = "/nonexistent/kestrova-no-such-folder";

// Files this process writes may grow to `bytes` and no more, for as long as
// it lives: a disk that fills up, for files of any folder.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
};

// Mounts a file system of `bytes` at `folder` that only this process sees
// (and the threads and processes it starts from now on): a small disk that
// fills up, gone with the process. It takes the right to mount (root);
// returns why it could not, or "" when it could.
inline std::string MountSmallDisk(const std::string& folder, std::size_t bytes) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("cannot have mounts of its own: ") + std::strerror(errno);
    }
    const std::string size = "size=" + std::to_string(bytes);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) != 0) {
        return "cannot mount a small disk at " + folder + ": " + std::strerror(errno);
    }
    return "";
}

}  // namespace kestrova::testing
