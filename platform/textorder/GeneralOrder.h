#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/textorder/SortOrder.h"

namespace kestrova::platform::textorder {

class WeightTable;

// The format's General sort order, as its engine keeps its index keys:
// - case never counts: "A" and "a" are equal;
// - letters with accents compare as their base letter first; only where
//   the whole texts are equal so do the accents decide, left to right;
// - space, then punctuation and symbols, then digits (one by one: "10"
//   before "9"), then letters; Æ sorts as AE and ß as SS;
// - from Access 2000 on, hyphens, apostrophes, dashes, control and format
//   characters are left out of that comparison and decide only after it,
//   by where they stand ("coop" before "co-op"), and trailing spaces count
//   for nothing; Access 97 sorts hyphen and apostrophe as punctuation and
//   control characters before space.
// Each generation places the code page's characters in its own way
// (`DescriptionOf`). Characters beyond the code page sort by their
// decomposition (Š as S with a caron), else after the others of their kind
// by code point.
class GeneralOrder {
public:
    explicit GeneralOrder(Generation generation);

    // A key that compares bytewise as the text does in this order. Bytes
    // that are no UTF-8 count as U+FFFD.
    std::string Key(std::string_view utf8) const;
    // Texts of ASCII characters compared without keys, by the first level:
    // its sign where that decides, nullopt where it leaves them equal (and
    // always for text beyond ASCII).
    std::optional<int> CompareAscii(std::string_view a, std::string_view b) const;

private:
    // The text as it is compared: without trailing spaces where they count
    // for nothing.
    std::string_view Compared(std::string_view text) const;
    // The first-level weight of the next character of `text` from `at` on
    // that has one, moving `at` to it (0 at the end of the text); nullopt
    // at a byte beyond ASCII.
    std::optional<std::uint32_t> NextAsciiWeight(std::string_view text, std::size_t& at) const;

    const WeightTable* table_;
    // Each ASCII character's first-level weight (each has one); 0 for one
    // left out of the first comparison.
    std::array<std::uint32_t, 128> asciiPrimary_{};
};

}  // namespace kestrova::platform::textorder
