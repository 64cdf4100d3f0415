#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

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
        if (position > written_) {
            FillBlanksUpTo(position);
        }
        if (position + count > written_) {
            written_ = position + count;
        }
        return data_ + position;
    }
    // The first `length` characters.
    std::string Prefix(std::size_t length) const;
    // The whole storage, spare blanks included.
    std::string ToString() const { return Prefix(size_); }
    // The memory it holds, in bytes.
    std::size_t MappedBytes() const { return mapped_; }

private:
    void FillBlanksUpTo(std::size_t position);
    void ReleaseUnused();
    void Reserve(std::size_t bytes);

    char* data_ = nullptr;
    std::size_t mapped_ = 0;
    std::size_t size_ = 0;
    std::size_t written_ = 0;  // characters before this are written; the rest are blanks
};

}  // namespace kestrova
