#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace kestrova::mdbfile {

// RC4 over `length` bytes in place. The format masks part of its first
// page with it, and an encrypted file of Jet 3 or Jet 4 encodes its pages.
inline void Rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data,
                std::size_t length) {
    std::array<std::uint8_t, 256> state;
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = static_cast<std::uint8_t>(j + state[i] + key[i % keyLength]);
        std::swap(state[i], state[j]);
    }
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    for (std::size_t n = 0; n < length; ++n) {
        x = static_cast<std::uint8_t>(x + 1);
        y = static_cast<std::uint8_t>(y + state[x]);
        std::swap(state[x], state[y]);
        data[n] ^= state[static_cast<std::uint8_t>(state[x] + state[y])];
    }
}

}  // namespace kestrova::mdbfile
