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
// thousands, which on a virtual machine are much of the time spent
// writing it.
//
// An emptied storage gives the pages it no longer needs back to the
// system; while start-up's memory policy is in force it keeps them until
// the policy ends, so that the next fill of the buffer during start-up
// writes into pages that are already there.
//
// Text taken out with Share keeps the mapping it lies in, and the storage
// never writes the bytes that text sees: it writes after them, or moves to
// a new mapping first. Each mapping keeps a few bytes free before its text:
// when the storage is emptied and then given, after a line break, exactly
// the text it last shared, it takes that mapping back and writes the line
// break into those bytes, instead of copying the whole text. Building the
// page does just that with the page body.

namespace {

constexpr std::size_t kPage = 4096;
// Room before the text in each mapping, for a line break put before it.
constexpr std::size_t kHeadroom = 16;

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
    const std::size_t needed = PagesFor(offset_ + std::max(size_, std::size_t{1}));
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
    if (!mapping_) {
        mapping_ = std::make_shared<Mapping>();
        offset_ = kHeadroom;
        sharedEnd_ = 0;
    }
    const std::size_t wanted = PagesFor(offset_ + std::max(bytes, std::size_t{1}));
    Mapping& mapping = *mapping_;
    if (wanted <= mapping.bytes) {
        return;
    }
    void* memory = MAP_FAILED;
    if (!mapping.data) {
        memory = mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    } else if (Shared()) {
        // A shared text's pages must stay where they are: grow in place, or
        // else copy into a mapping of our own.
        memory = mremap(mapping.data, mapping.bytes, wanted, 0);
        if (memory == MAP_FAILED) {
            MoveToMemoryOfItsOwn(bytes);
            return;
        }
    } else {
        memory = mremap(mapping.data, mapping.bytes, wanted, MREMAP_MAYMOVE);
    }
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    mapping.data = static_cast<char*>(memory);
    mapping.bytes = wanted;
    // Only advice: where huge pages are off, the storage works the same.
    madvise(mapping.data, mapping.bytes, MADV_HUGEPAGE);
}

void PageStorage::MoveToMemoryOfItsOwn(std::size_t bytes) {
    const auto shared = std::move(mapping_);
    const std::size_t oldOffset = offset_;
    mapping_.reset();
    Reserve(std::max(bytes, size_));
    std::memcpy(Text(), shared->data + oldOffset, written_);
}

void PageStorage::AssignBlanks(std::size_t count) {
    if (Shared()) {
        // The text handed out keeps it; it may be given back soon.
        lastShared_ = mapping_;
        lastSharedOffset_ = offset_;
        lastSharedLength_ = sharedEnd_ - offset_;
        mapping_.reset();
    }
    Reserve(count);
    size_ = count;
    written_ = 0;
    runtime::LargeBlockReuse::ReleaseWhenDone(this, [this] { ReleaseUnused(); });
}

void PageStorage::AppendBlanks(std::size_t count) {
    Reserve(size_ + count);
    size_ += count;
}

bool PageStorage::TakeBackSharedText(std::string_view prefix, std::string_view piece) {
    auto last = lastShared_.lock();
    if (!last || written_ != 0 || prefix.size() > lastSharedOffset_ ||
        piece.data() != last->data + lastSharedOffset_ || piece.size() != lastSharedLength_) {
        return false;
    }
    const std::size_t size = size_;
    mapping_ = std::move(last);
    lastShared_.reset();
    offset_ = lastSharedOffset_ - prefix.size();
    sharedEnd_ = lastSharedOffset_ + lastSharedLength_;
    // Counted as written before growing: a mapping that cannot grow in
    // place is left for one of its own, and the text must go with it.
    written_ = prefix.size() + piece.size();
    size_ = written_;
    Reserve(size);
    size_ = size;
    std::memcpy(Text(), prefix.data(), prefix.size());
    return true;
}

void PageStorage::Write(std::size_t position, std::string_view prefix,
                        std::initializer_list<std::string_view> pieces) {
    if (position == 0 && pieces.size() == 1 && TakeBackSharedText(prefix, *pieces.begin())) {
        return;
    }
    std::size_t count = prefix.size();
    for (const auto piece : pieces) {
        count += piece.size();
    }
    if (Shared() && offset_ + position < sharedEnd_) {
        MoveToMemoryOfItsOwn(size_);
    }
    if (position > written_) {
        FillBlanksUpTo(position);
    }
    char* out = Text() + position;
    std::memcpy(out, prefix.data(), prefix.size());
    out += prefix.size();
    for (const auto piece : pieces) {
        std::memcpy(out, piece.data(), piece.size());
        out += piece.size();
    }
    written_ = std::max(written_, position + count);
}

void PageStorage::FillBlanksUpTo(std::size_t position) {
    if (position > written_) {
        std::memset(Text() + written_, ' ', position - written_);
        written_ = position;
    }
}

std::string PageStorage::Prefix(std::size_t length) const {
    std::string prefix(mapping_ ? Text() : "", std::min(length, written_));
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
    sharedEnd_ = std::max(sharedEnd_, offset_ + length);
    return platform::PageText(mapping_, std::string_view(Text(), length));
}

}  // namespace kestrova
