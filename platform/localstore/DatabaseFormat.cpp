#include "platform/localstore/DatabaseFormat.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

DatabaseFormat FormatOf(const std::string& path) {
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        throw runtime::Failure("cannot read the database " + path + ": " + std::strerror(errno));
    }
    char header[20] = {};
    const bool read = pread(file, header, sizeof header, 0) == sizeof header;
    close(file);
    // Bytes 4 to 19 name the engine that made the file.
    const bool classic = read && (std::memcmp(header + 4, "Standard Jet DB", 16) == 0 ||
                                  std::memcmp(header + 4, "Standard ACE DB", 16) == 0);
    return classic ? DatabaseFormat::ClassicMdb : DatabaseFormat::Sqlite;
}

}  // namespace kestrova::platform
