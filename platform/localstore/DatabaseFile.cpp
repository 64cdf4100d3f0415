#include "platform/localstore/DatabaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

namespace fs = std::filesystem;

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "no regular file";
}

// Where a symbolic link finally leads, for the message.
std::string Target(const std::string& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? fs::read_symlink(path, error).string() : target.string();
}

std::string Describe(const std::string& path, mode_t mode) {
    struct stat link {};
    const bool isLink = lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    if (isLink) {
        return path + " is not a regular file: it points to " + Target(path) + ", " + KindOf(mode);
    }
    return path + " is not a regular file but " + KindOf(mode);
}

constexpr std::array<const char*, 2> kLogSuffixes = {"-wal", "-journal"};

// Copies a regular file byte for byte; opens it without blocking, so that a
// named pipe put in a log's place cannot stall the copy.
void CopyRegularFile(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) {
        throw runtime::Failure("cannot read " + from + ": " + std::strerror(errno));
    }
    struct stat status {};
    if (fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(in);
        throw runtime::Failure(Describe(from, status.st_mode));
    }
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (out < 0) {
        close(in);
        throw runtime::Failure("cannot copy " + from + ": " + std::strerror(errno));
    }
    std::array<char, 1 << 16> buffer;
    ssize_t got = 0;
    bool written = true;
    while (written && (got = read(in, buffer.data(), buffer.size())) > 0) {
        written = write(out, buffer.data(), static_cast<std::size_t>(got)) == got;
    }
    const int error = errno;
    close(in);
    const bool closed = close(out) == 0;
    if (got < 0 || !written || !closed) {
        throw runtime::Failure("cannot copy " + from + ": " + std::strerror(error));
    }
}

}  // namespace

void RequireRegularFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        throw runtime::Failure("cannot look at " + path + ": " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw runtime::Failure(path + " is a folder, not a database file");
    }
    if (!S_ISREG(status.st_mode)) {
        throw runtime::Failure(Describe(path, status.st_mode));
    }
}

bool UsesWriteAheadLog(const std::string& path) {
    std::error_code error;
    if (fs::exists(path + "-wal", error)) {
        return true;
    }
    // Bytes 18 and 19 of a SQLite header are its read and write versions;
    // 2 means write-ahead logging.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    unsigned char header[20] = {};
    const bool read = pread(file, header, sizeof header, 0) == sizeof header;
    close(file);
    return read && std::memcmp(header, "SQLite format 3", 16) == 0 &&
           (header[18] == 2 || header[19] == 2);
}

PrivateCopy::PrivateCopy(const std::string& database) {
    std::string pattern = (fs::temp_directory_path() / "kestrova-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw runtime::Failure(std::string("cannot make a private folder: ") +
                               std::strerror(errno));
    }
    folder_ = pattern;
    database_ = folder_ + "/database";
    try {
        CopyRegularFile(database, database_);
        for (const char* suffix : kLogSuffixes) {
            std::error_code error;
            if (fs::exists(database + suffix, error)) {
                CopyRegularFile(database + suffix, database_ + suffix);
            }
        }
    } catch (...) {
        Discard();
        throw;
    }
}

PrivateCopy::~PrivateCopy() {
    Discard();
}

void PrivateCopy::Discard() {
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        folder_.clear();
    }
}

}  // namespace kestrova::platform
