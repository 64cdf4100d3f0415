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
// are used. The mapping asks for huge pages: a page of a hundred megabytes
// then costs the system a few dozen page faults instead of tens of
// thousands, which on a virtual machine are most of the time spent writing
// it.
//
// An emptied storage gives the pages it no longer needs back to the
// system; while start-up's memory policy is in force it keeps them until
// the policy ends, so that the next fill of the buffer during start-up
// writes into pages that are already there.
//
// Text taken out with Share keeps the mapping it lies in. The storage then
// never writes into that mapping again: emptying it starts a new one, and
// any other change first copies the text into a new one.

namespace {

constexpr std::size_t kPage = 4096;

std::size_t PagesFor(std::size_t bytes) {
    return (bytes + kPage - 1) / kPage * kPage;
}

}  // namespace

PageStorage::Mapping::~Mapping() {
    if (data) {
        munmap(data, bytes);
    }
}

PageStorage::~PageStorage() {
    runtime::LargeBlockReuse::Forget(this);
}

void PageStorage::ReleaseUnused() {
    const std::size_t needed = PagesFor(std::max(size_, std::size_t{1}));
    if (!mapping_ || Shared() || needed >= mapping_->bytes) {
        return;
    }
    // Shrinking in place keeps the written text and returns the rest.
    void* memory = mremap(mapping_->data, mapping_->bytes, needed, 0);
    if (memory != MAP_FAILED) {
        mapping_->bytes = needed;
    }
}

void PageStorage::Reserve(std::size_t bytes) {
    const std::size_t wanted = PagesFor(bytes ? bytes : 1);
    if (!mapping_) {
        mapping_ = std::make_shared<Mapping>();
    }
    Mapping& mapping = *mapping_;
    if (wanted <= mapping.bytes) {
        return;
    }
    void* memory = mapping.data ? mremap(mapping.data, mapping.bytes, wanted, MREMAP_MAYMOVE)
                                : mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    mapping.data = static_cast<char*>(memory);
    mapping.bytes = wanted;
    // Only advice: where huge pages are off, the storage works the same.
    madvise(mapping.data, mapping.bytes, MADV_HUGEPAGE);
}

void PageStorage::MoveToMemoryOfItsOwn() {
    const auto shared = std::move(mapping_);
    mapping_.reset();
    Reserve(std::max(size_, std::size_t{1}));
    std::memcpy(mapping_->data, shared->data, written_);
}

void PageStorage::AssignBlanks(std::size_t count) {
    if (Shared()) {
        mapping_.reset();  // the text handed out keeps it
    }
    Reserve(count);
    size_ = count;
    written_ = 0;
    runtime::LargeBlockReuse::ReleaseWhenDone(this, [this] { ReleaseUnused(); });
}

void PageStorage::AppendBlanks(std::size_t count) {
    if (Shared()) {
        MoveToMemoryOfItsOwn();
    }
    Reserve(size_ + count);
    size_ += count;
}

void PageStorage::FillBlanksUpTo(std::size_t position) {
    if (position > written_) {
        std::memset(mapping_->data + written_, ' ', position - written_);
        written_ = position;
    }
}

std::string PageStorage::Prefix(std::size_t length) const {
    std::string prefix(mapping_ ? mapping_->data : "", std::min(length, written_));
    prefix.resize(length, ' ');
    return prefix;
}

platform::PageText PageStorage::Share(std::size_t length) {
    length = std::min(length, size_);
    if (length == 0 || !mapping_) {
        return platform::PageText(std::string(length, ' '));
    }
    if (length > written_) {
        FillBlanksUpTo(length);
    }
    return platform::PageText(mapping_, std::string_view(mapping_->data, length));
}

}  // namespace kestrova
