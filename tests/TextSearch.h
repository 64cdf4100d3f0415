#pragma once

#include <cstddef>
#include <string>

namespace kestrova::testing {

// How many times `piece` stands in `text`, overlaps counted.
inline std::size_t Occurrences(std::string_view text, std::string_view piece) {
    std::size_t count = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace kestrova::testing
