#include "shell/form/PageStorage.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/runtime/MemoryPolicy.h"

namespace kestrova {

// The storage lives in its own memory mapping. Growing it remaps the pages
// instead of copying them, and pages that were never written take no
// memory: the blanks at the end of a long storage cost nothing until they
// are used. An emptied storage gives the pages it no longer needs back to
// the system; while start-up's memory policy is in force it keeps them
// until the policy ends, so that the next fill of the buffer during
// start-up writes into pages that are already there.

namespace {

constexpr std::size_t kPage = 4096;

std::size_t PagesFor(std::size_t bytes) {
    return (bytes + kPage - 1) / kPage * kPage;
}

}  // namespace

PageStorage::~PageStorage() {
    runtime::LargeBlockReuse::Forget(this);
    if (data_) {
        munmap(data_, mapped_);
    }
}

void PageStorage::ReleaseUnused() {
    const std::size_t needed = PagesFor(std::max(size_, std::size_t{1}));
    if (!data_ || needed >= mapped_) {
        return;
    }
    // Shrinking in place keeps the written text and returns the rest.
    void* memory = mremap(data_, mapped_, needed, 0);
    if (memory != MAP_FAILED) {
        mapped_ = needed;
    }
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
    Reserve(count);
    size_ = count;
    written_ = 0;
    runtime::LargeBlockReuse::ReleaseWhenDone(this, [this] { ReleaseUnused(); });
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
