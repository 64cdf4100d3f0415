#pragma once

#include <cstddef>
#include <cstring>
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
    // The `count` characters from `position` on, to be overwritten; they
    // must lie inside.
    char* Overwrite(std::size_t position, std::size_t count) {
        if (Shared()) {
            MoveToMemoryOfItsOwn();
        }
        if (position > written_) {
            FillBlanksUpTo(position);
        }
        if (position + count > written_) {
            written_ = position + count;
        }
        return mapping_->data + position;
    }
    // The first `length` characters, copied.
    std::string Prefix(std::size_t length) const;
    // The first `length` characters (at most its size), without a copy. The
    // text keeps the memory it lies in; the storage changes no character of
    // it and moves to memory of its own before it next changes.
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

    bool Shared() const { return mapping_ && mapping_.use_count() > 1; }
    void MoveToMemoryOfItsOwn();
    void FillBlanksUpTo(std::size_t position);
    void ReleaseUnused();
    void Reserve(std::size_t bytes);

    std::shared_ptr<Mapping> mapping_;
    std::size_t size_ = 0;
    std::size_t written_ = 0;  // characters before this are written; the rest are blanks
};

}  // namespace kestrova
