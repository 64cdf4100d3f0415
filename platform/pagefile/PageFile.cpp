#include "platform/pagefile/PageFile.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

std::string Reason() {
    return std::strerror(errno);
}

// A write past a file size limit ends the process unless this signal is
// ignored; ignored, the write fails with EFBIG and the text goes to memory
// instead. Only the default action is replaced.
void FileSizeLimitIsAnError() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            signal(SIGXFSZ, SIG_IGN);
        }
    });
}

// Where the system cannot make a file without a name, one is made with a
// name and the name removed at once.
runtime::FileDescriptor NamedAndRemoved(const std::string& folder) {
    std::string pattern = folder + "/kestrova-page-XXXXXX";
    runtime::FileDescriptor file(mkostemp(pattern.data(), O_CLOEXEC));
    if (!file) {
        throw runtime::Failure("cannot make a file in " + folder + ": " + Reason());
    }
    unlink(pattern.c_str());
    return file;
}

// Whether a folder lies on a file system held in memory.
bool HeldInMemory(const std::string& folder) {
    struct statfs system {};
    return statfs(folder.c_str(), &system) == 0 &&
           (system.f_type == TMPFS_MAGIC || system.f_type == RAMFS_MAGIC);
}

// Large files in memory count against the user twice: said once a run.
void SayWhereTheTextIsHeld(const std::string& folder) {
    static std::once_flag once;
    if (HeldInMemory(folder)) {
        std::call_once(once, [&] {
            runtime::ReportFailure(
                "the page text is kept in " + folder + ", which is held in memory",
                "set TMPDIR to a folder on disk to spare it");
        });
    }
}

}  // namespace

std::string PageFile::Folder() {
    // The systems' convention: the user's own choice first, then the
    // folder for large temporary files, which is on disk where /tmp is
    // often memory; /tmp where there is no such folder to write in.
    const char* chosen = std::getenv("TMPDIR");
    if (chosen && *chosen) {
        return chosen;
    }
    struct stat folder {};
    if (stat(kLargeFilesFolder, &folder) == 0 && S_ISDIR(folder.st_mode) &&
        access(kLargeFilesFolder, W_OK | X_OK) == 0) {
        return kLargeFilesFolder;
    }
    return "/tmp";
}

std::shared_ptr<PageFile> PageFile::Create(std::string contents) {
    FileSizeLimitIsAnError();
    const std::string folder = Folder();
    runtime::FileDescriptor file(open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!file) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            throw runtime::Failure("cannot make a file in " + folder + ": " + Reason());
        }
        file = NamedAndRemoved(folder);
    }
    SayWhereTheTextIsHeld(folder);
    return std::shared_ptr<PageFile>(new PageFile(std::move(file), std::move(contents)));
}

void PageFile::Write(std::uint64_t offset, std::string_view bytes) const {
    const std::size_t total = bytes.size();
    while (!bytes.empty()) {
        const ssize_t n =
            pwrite(file_.Get(), bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            throw runtime::Failure("cannot write " + std::to_string(total) + " bytes of " +
                                   contents_ + " into its file at " +
                                   std::to_string(offset + bytes.size() - total) + ": " + Reason());
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

void PageFile::Read(std::uint64_t offset, std::size_t length, char* out) const {
    while (length > 0) {
        const ssize_t n = pread(file_.Get(), out, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw runtime::Failure("cannot read " + contents_ + " from its file at " +
                                   std::to_string(offset) + ": " +
                                   (n == 0 ? std::string("it ends there") : Reason()));
        }
        out += n;
        length -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
}

std::shared_ptr<const runtime::FileDescriptor> PageFile::ReadOnly() const {
    const std::lock_guard lock(readOnlyLock_);
    if (!readOnly_) {
        // Opened again through the process's own descriptor: the new one
        // can only read, whatever the process it goes to does with it.
        const std::string path = "/proc/self/fd/" + std::to_string(file_.Get());
        runtime::FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!file) {
            throw runtime::Failure("cannot open the file of " + contents_ +
                                   " for reading: " + Reason());
        }
        readOnly_ = std::make_shared<const runtime::FileDescriptor>(std::move(file));
    }
    return readOnly_;
}

}  // namespace kestrova::platform
