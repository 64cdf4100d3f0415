#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/mdbfile/Rc4.h"

namespace kestrova::mdbfile::header {

// Where the first page of a classic file keeps what it says of the file.
inline constexpr std::size_t kVersionAt = 0x14;   // 0 Jet 3, 1 Jet 4, 2 and above ACE
inline constexpr std::size_t kSettingsAt = 0x18;  // the block masked with RC4
inline constexpr std::size_t kPageKeyAt = 0x3E;
inline constexpr std::size_t kPasswordAt = 0x42;
inline constexpr std::size_t kCreationDateAt = 0x72;

// Masks the settings block of a first page of `version`, or unmasks it:
// RC4 with a key of the format's, over 126 bytes in Jet 3 and 128 later.
inline void ToggleSettingsMask(std::uint8_t* page, int version) {
    static constexpr std::uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(kMaskKey, sizeof kMaskKey, page + kSettingsAt, version == 0 ? 126 : 128);
}

}  // namespace kestrova::mdbfile::header
