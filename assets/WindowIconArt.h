#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrova::assets {

// The window's 14 by 14 icon: a white square in a black frame holding a
// small outline, grey tree lines with five branches on two levels, each
// followed by a black bar. B black frame, W white, G grey, K black bar.
inline constexpr int kIconSize = 14;
inline constexpr std::array<std::string_view, kIconSize> kIconRows = {
    "BBBBBBBBBBBBBB", "BWWWWWWWWWWWWB", "BWGWWWWWWWWWWB", "BWGGGKKKKWWWWB", "BWGWGWWWWWWWWB",
    "BWGWGGGKKKKWWB", "BWGWGWWWWWWWWB", "BWGWGGGKKKKWWB", "BWGWWWWWWWWWWB", "BWGGGKKKKWWWWB",
    "BWWWGWWWWWWWWB", "BWWWGGGKKKKWWB", "BWWWWWWWWWWWWB", "BBBBBBBBBBBBBB",
};

inline constexpr std::uint32_t IconColour(char code) {
    return code == 'G' ? 0x808080 : (code == 'B' || code == 'K') ? 0x000000 : 0xffffff;
}

}  // namespace kestrova::assets
