#include "platform/webkit/SealedText.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/pagefile/PageFile.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

runtime::FileDescriptor SealedCopy(std::initializer_list<std::string_view> parts,
                                   const char* name) {
    runtime::FileDescriptor file(memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!file) {
        throw runtime::Failure(std::string("cannot make a file in memory: ") +
                               std::strerror(errno));
    }
    // Written, not mapped: the system fills the file's pages directly, with
    // no page fault for each of them.
    for (const auto text : parts) {
        std::size_t written = 0;
        while (written < text.size()) {
            const ssize_t n = write(file.Get(), text.data() + written, text.size() - written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                throw runtime::Failure("cannot write " + std::to_string(text.size()) +
                                       " bytes into a file in memory: " + std::strerror(errno));
            }
            written += static_cast<std::size_t>(n);
        }
    }
    if (fcntl(file.Get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) !=
        0) {
        throw runtime::Failure(std::string("cannot seal a file in memory: ") +
                               std::strerror(errno));
    }
    return file;
}

PagePiece PieceOf(const PageText& text, std::size_t from, std::size_t length) {
    const std::string_view piece = text.View().substr(from, length);
    if (const auto* place = text.InFile()) {
        return PagePiece{place->file->ReadOnly(), place->offset + from, piece.size()};
    }
    return PagePiece{
        std::make_shared<const runtime::FileDescriptor>(SealedCopy({piece}, "kestrova-page")), 0,
        piece.size()};
}

}  // namespace kestrova::platform
