#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/document/PageText.h"

namespace kestrova {

// The page buffer's storage: text followed by spare blanks. The spare blanks
// at its end are only written when something needs them, so that a long
// page costs no more memory than its text.
class PageStorage {
public:
    PageStorage() = default;
    ~PageStorage();
    PageStorage(const PageStorage&) = delete;
    PageStorage& operator=(const PageStorage&) = delete;

    std::size_t size() const { return size_; }
    // Makes the storage `count` blanks, giving back the memory it no longer
    // needs (see runtime::LargeBlockReuse for when).
    void AssignBlanks(std::size_t count);
    // Adds `count` blanks at the end; throws std::bad_alloc when it cannot.
    void AppendBlanks(std::size_t count);
    // Writes `prefix` and then `pieces` from `position` on; they must fit.
    void Write(std::size_t position, std::string_view prefix,
               std::initializer_list<std::string_view> pieces);
    // The first `length` characters, copied.
    std::string Prefix(std::size_t length) const;
    // The first `length` characters (at most its size), without a copy. The
    // text keeps the memory it lies in, and the storage never changes a
    // character of it.
    platform::PageText Share(std::size_t length);
    // The whole storage, spare blanks included.
    std::string ToString() const { return Prefix(size_); }
    // The memory it holds, in bytes.
    std::size_t MappedBytes() const { return mapping_ ? mapping_->bytes : 0; }

private:
    struct Mapping {
        char* data = nullptr;
        std::size_t bytes = 0;
        Mapping() = default;
        Mapping(const Mapping&) = delete;
        Mapping& operator=(const Mapping&) = delete;
        ~Mapping();
    };

    char* Text() const { return mapping_->data + offset_; }
    bool Shared() const { return mapping_ && mapping_.use_count() > 1; }
    bool TakeBackSharedText(std::string_view prefix, std::string_view piece);
    void MoveToMemoryOfItsOwn(std::size_t bytes);
    void FillBlanksUpTo(std::size_t position);
    void ReleaseUnused();
    void Reserve(std::size_t bytes);

    std::shared_ptr<Mapping> mapping_;
    std::size_t offset_ = 0;  // where the text starts in the mapping
    std::size_t size_ = 0;
    std::size_t written_ = 0;  // characters before this are written; the rest are blanks
    // Bytes of the mapping before this may be seen by a shared text.
    std::size_t sharedEnd_ = 0;
    // The text last shared from a mapping this storage has let go of.
    std::weak_ptr<Mapping> lastShared_;
    std::size_t lastSharedOffset_ = 0;
    std::size_t lastSharedLength_ = 0;
};

}  // namespace kestrova
