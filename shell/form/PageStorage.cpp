#include "shell/form/PageStorage.h"

#include <sys/mman.h>

#include <cstring>
#include <new>

namespace kestrova {

// The storage lives in its own memory mapping. Growing it remaps the pages
// instead of copying them, and pages that were never written take no
// memory: the blanks at the end of a long storage cost nothing until they
// are used. Making the storage anew hands every page it had back to the
// system, so that an emptied buffer holds no memory for a page it held.

namespace {

constexpr std::size_t kPage = 4096;

std::size_t PagesFor(std::size_t bytes) {
    return (bytes + kPage - 1) / kPage * kPage;
}

}  // namespace

PageStorage::~PageStorage() {
    Release();
}

void PageStorage::Release() {
    if (data_) {
        munmap(data_, mapped_);
    }
    data_ = nullptr;
    mapped_ = 0;
}

void PageStorage::Reserve(std::size_t bytes) {
    const std::size_t wanted = PagesFor(bytes ? bytes : 1);
    if (wanted <= mapped_) {
        return;
    }
    void* memory = data_ ? mremap(data_, mapped_, wanted, MREMAP_MAYMOVE)
                         : mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    data_ = static_cast<char*>(memory);
    mapped_ = wanted;
}

void PageStorage::AssignBlanks(std::size_t count) {
    Release();
    Reserve(count);
    size_ = count;
    written_ = 0;
}

void PageStorage::AppendBlanks(std::size_t count) {
    Reserve(size_ + count);
    size_ += count;
}

void PageStorage::FillBlanksUpTo(std::size_t position) {
    if (position > written_) {
        std::memset(data_ + written_, ' ', position - written_);
        written_ = position;
    }
}

std::string PageStorage::Prefix(std::size_t length) const {
    std::string prefix(data_ ? data_ : "", std::min(length, written_));
    prefix.resize(length, ' ');
    return prefix;
}

}  // namespace kestrova
