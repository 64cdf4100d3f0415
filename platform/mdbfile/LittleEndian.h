#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrova::mdbfile {

// The whole number stored in `size` bytes (at most 8) at `at`, least
// significant first, as every number of the format is.
inline std::uint64_t LittleEndian(const unsigned char* at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | at[i];
    }
    return value;
}

inline std::uint64_t LittleEndian(const char* at, std::size_t size) {
    return LittleEndian(reinterpret_cast<const unsigned char*>(at), size);
}

}  // namespace kestrova::mdbfile
