#include "shell/form/MemoryBlock.h"

#include <sys/mman.h>

#include <cstring>
#include <new>

namespace kestrova {

namespace {

constexpr std::size_t kPage = 4096;

std::size_t PagesFor(std::size_t bytes) {
    return (bytes + kPage - 1) / kPage * kPage;
}

}  // namespace

MemoryBlock::~MemoryBlock() {
    if (data_) {
        munmap(data_, bytes_);
    }
}

// The mapping asks for huge pages: a page of a hundred megabytes then costs
// a few dozen page faults instead of tens of thousands.
bool MemoryBlock::Reserve(std::size_t bytes, bool shared) {
    if (bytes > kMostStorageBytes) {
        throw std::bad_alloc();
    }
    const std::size_t wanted = PagesFor(bytes == 0 ? 1 : bytes);
    if (wanted <= bytes_) {
        return true;
    }
    void* memory = MAP_FAILED;
    if (!data_) {
        memory = mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    } else {
        // Shared text must stay where it lies: grow in place, or not at all.
        memory = mremap(data_, bytes_, wanted, shared ? 0 : MREMAP_MAYMOVE);
        if (memory == MAP_FAILED && shared) {
            return false;
        }
    }
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    data_ = static_cast<char*>(memory);
    bytes_ = wanted;
    madvise(data_, bytes_, MADV_HUGEPAGE);  // only advice
    return true;
}

void MemoryBlock::Write(std::size_t at, std::string_view bytes) {
    std::memcpy(data_ + at, bytes.data(), bytes.size());
}

void MemoryBlock::Read(std::size_t at, std::size_t length, char* out) const {
    std::memcpy(out, data_ + at, length);
}

platform::PageText MemoryBlock::View(std::shared_ptr<const StorageBlock> self, std::size_t at,
                                     std::size_t length) {
    return platform::PageText(std::move(self), std::string_view(data_ + at, length));
}

}  // namespace kestrova
