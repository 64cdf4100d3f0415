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
// fills up, unmounted when it goes, so that the folder can be removed. It
// takes the right to mount (root); Unmounted() says why it could not.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, std::size_t bytes) : folder_(folder) {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            unmounted_ = std::string("cannot have mounts of its own: ") + std::strerror(errno);
            return;
        }
        const std::string size = "size=" + std::to_string(bytes);
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) != 0) {
            unmounted_ = "cannot mount a small disk at " + folder + ": " + std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (unmounted_.empty()) {
            umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Why there is no small disk, or "" when there is.
    const std::string& Unmounted() const { return unmounted_; }

private:
    std::string folder_;
    std::string unmounted_;
};

}  // namespace kestrova::testing
