#include "platform/webkit/extension/MappedText.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

std::shared_ptr<const MappedText> MappedText::Map(int file) {
    struct stat status {};
    if (fstat(file, &status) != 0) {
        throw runtime::Failure(std::string("cannot read the page text's file: ") +
                               std::strerror(errno));
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size == 0) {
        return std::shared_ptr<const MappedText>(new MappedText(nullptr, 0));
    }
    void* memory = mmap(nullptr, size, PROT_READ, MAP_SHARED, file, 0);
    if (memory == MAP_FAILED) {
        throw runtime::Failure(std::string("cannot map the page text: ") + std::strerror(errno));
    }
    return std::shared_ptr<const MappedText>(
        new MappedText(static_cast<const char*>(memory), size));
}

MappedText::~MappedText() {
    if (data_) {
        munmap(const_cast<char*>(data_), size_);
    }
}

std::string_view MappedText::Part(std::size_t offset, std::size_t length) const {
    if (offset > size_ || length > size_ - offset) {
        throw runtime::Failure("a part of " + std::to_string(length) + " bytes at " +
                               std::to_string(offset) + " lies outside the page text of " +
                               std::to_string(size_) + " bytes");
    }
    return Text().substr(offset, length);
}

}  // namespace kestrova::platform
