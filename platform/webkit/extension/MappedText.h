#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace kestrova::platform {

// A file's content mapped read only: page text from the window process,
// sealed, or a piece of the page's own file. It stays mapped while anything
// holds it.
class MappedText {
public:
    // The whole file. Throws runtime::Failure when it cannot be mapped.
    static std::shared_ptr<const MappedText> Map(int file);
    // `length` bytes from `offset`; throws runtime::Failure when they do not
    // lie inside the file, or cannot be mapped.
    static std::shared_ptr<const MappedText> Map(int file, std::uint64_t offset,
                                                 std::uint64_t length);
    ~MappedText();
    MappedText(const MappedText&) = delete;
    MappedText& operator=(const MappedText&) = delete;

    std::string_view Text() const { return std::string_view(data_ ? data_ : "", size_); }
    // The part from `offset`, `length` bytes long; throws runtime::Failure
    // when it does not lie inside.
    std::string_view Part(std::size_t offset, std::size_t length) const;

private:
    MappedText(void* mapping, std::size_t mapped, const char* data, std::size_t size)
        : mapping_(mapping), mapped_(mapped), data_(data), size_(size) {}

    void* mapping_;
    std::size_t mapped_;
    const char* data_;
    std::size_t size_;
};

}  // namespace kestrova::platform
