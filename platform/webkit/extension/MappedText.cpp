#include "platform/webkit/extension/MappedText.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

std::uint64_t SizeOf(int file) {
    struct stat status {};
    if (fstat(file, &status) != 0) {
        throw runtime::Failure(std::string("cannot read the page text's file: ") +
                               std::strerror(errno));
    }
    return static_cast<std::uint64_t>(status.st_size);
}

}  // namespace

std::shared_ptr<const MappedText> MappedText::Map(int file) {
    return Map(file, 0, SizeOf(file));
}

std::shared_ptr<const MappedText> MappedText::Map(int file, std::uint64_t offset,
                                                  std::uint64_t length) {
    // A piece beyond the file's end would end the process when read.
    const std::uint64_t size = SizeOf(file);
    if (offset > size || length > size - offset) {
        throw runtime::Failure("a piece of " + std::to_string(length) + " bytes at " +
                               std::to_string(offset) + " lies outside the page text's file of " +
                               std::to_string(size) + " bytes");
    }
    if (length == 0) {
        return std::shared_ptr<const MappedText>(new MappedText(nullptr, 0, nullptr, 0));
    }
    const auto page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t start = offset / page * page;
    const std::size_t mapped = static_cast<std::size_t>(offset - start + length);
    void* memory = mmap(nullptr, mapped, PROT_READ, MAP_SHARED, file, static_cast<off_t>(start));
    if (memory == MAP_FAILED) {
        throw runtime::Failure(std::string("cannot map the page text: ") + std::strerror(errno));
    }
    return std::shared_ptr<const MappedText>(
        new MappedText(memory, mapped, static_cast<const char*>(memory) + (offset - start),
                       static_cast<std::size_t>(length)));
}

MappedText::~MappedText() {
    if (mapping_) {
        munmap(mapping_, mapped_);
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
