#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace kestrova::fuzz {

// A copy of some bytes in memory of exactly their size: a decoder that
// reads one byte past them is caught at once by the address sanitizer.
class ExactBytes {
public:
    explicit ExactBytes(std::string_view bytes)
        : bytes_(new char[bytes.size() == 0 ? 1 : bytes.size()]), size_(bytes.size()) {
        std::memcpy(bytes_.get(), bytes.data(), size_);
    }
    std::string_view View() const { return std::string_view(bytes_.get(), size_); }
    const unsigned char* Data() const {
        return reinterpret_cast<const unsigned char*>(bytes_.get());
    }
    std::size_t Size() const { return size_; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

// Stops the run, so that the fuzzer keeps the input: a property that does
// not hold is a finding like a crash.
#define KESTROVA_REQUIRE(condition)                                                            \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "property does not hold: %s (%s:%d)\n", #condition, __FILE__, \
                         __LINE__);                                                            \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (false)

}  // namespace kestrova::fuzz
