#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace kestrova::platform {

// A file's whole content mapped read only: the page text the window process
// sealed. It stays mapped while anything holds it.
class MappedText {
public:
    // Throws runtime::Failure when the file cannot be mapped.
    static std::shared_ptr<const MappedText> Map(int file);
    ~MappedText();
    MappedText(const MappedText&) = delete;
    MappedText& operator=(const MappedText&) = delete;

    std::string_view Text() const { return std::string_view(data_ ? data_ : "", size_); }
    // The part from `offset`, `length` bytes long; throws runtime::Failure
    // when it does not lie inside.
    std::string_view Part(std::size_t offset, std::size_t length) const;

private:
    MappedText(const char* data, std::size_t size) : data_(data), size_(size) {}

    const char* data_;
    std::size_t size_;
};

}  // namespace kestrova::platform
