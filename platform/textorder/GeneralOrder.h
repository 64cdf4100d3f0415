#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/textorder/SortOrder.h"

namespace kestrova::platform::textorder {

// The format's General sort order, as its engine keeps its index keys:
// - case never counts: "A" and "a" are equal;
// - letters with accents compare as their base letter first; only where
//   the whole texts are equal so do the accents decide, left to right;
// - space, then punctuation and symbols, then digits (one by one: "10"
//   before "9"), then letters; Æ sorts as AE and ß as SS;
// - from Access 2000 on, hyphens, apostrophes, control and format
//   characters are left out of that comparison and decide only after it,
//   by where they stand ("coop" before "co-op"); Access 97 sorts hyphen
//   and apostrophe as punctuation and control characters before space.
// Characters beyond those the format's code page holds sort by their
// decomposition (Š as S with a caron), else after the others of their
// kind by code point.
class GeneralOrder {
public:
    explicit GeneralOrder(Generation generation);

    // A key that compares bytewise as the text does in this order. Bytes
    // that are no UTF-8 count as U+FFFD.
    std::string Key(std::string_view utf8) const;
    // Texts of ASCII characters compared without keys, by the first level,
    // which decides unless it leaves them equal: `decided` says whether it
    // did (never for text beyond ASCII).
    int CompareAscii(std::string_view a, std::string_view b, bool& decided) const;

private:
    Generation generation_;
    // Each ASCII character's first-level weight (each has one); 0 for one
    // left out of the first comparison.
    std::array<std::uint32_t, 128> asciiPrimary_{};
};

}  // namespace kestrova::platform::textorder
