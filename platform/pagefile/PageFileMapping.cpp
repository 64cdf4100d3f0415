#include "platform/pagefile/PageFileMapping.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/runtime/Failure.h"

namespace kestrova::platform {

PageFileMapping::PageFileMapping(std::shared_ptr<const PageFile> file, std::size_t bytes)
    : file_(std::move(file)), bytes_(bytes == 0 ? 1 : bytes) {
    void* memory = mmap(nullptr, bytes_, PROT_READ, MAP_SHARED, file_->Descriptor(), 0);
    if (memory == MAP_FAILED) {
        throw runtime::Failure("cannot map " + std::to_string(bytes_) +
                               " bytes of the page text's file: " + std::strerror(errno));
    }
    data_ = static_cast<const char*>(memory);
}

PageFileMapping::~PageFileMapping() {
    munmap(const_cast<char*>(data_), bytes_);
}

}  // namespace kestrova::platform
