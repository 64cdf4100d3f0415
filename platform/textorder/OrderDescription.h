#pragma once

#include <span>
#include <string_view>

#include "platform/textorder/SortOrder.h"

namespace kestrova::platform::textorder {

// One weight of the first comparison: the characters that have it and are
// alike in every comparison, and those that differ from them only in the
// second, in the order the second comparison puts them.
struct PrimaryClass {
    std::u32string_view alike;
    std::u32string_view variants = {};
};

// A character that sorts as two letters (Æ as AE). Where `marked`, it
// comes after the two letters themselves in the second comparison.
struct Expansion {
    char32_t character;
    char first;
    char second;
    bool marked = false;
};

// How one generation of General orders the characters of its code page.
// Letters are given in lower case: each capital the code page has sorts as
// its small letter.
struct OrderDescription {
    // Control characters, and every character the order does not know,
    // sort as one weight before all others (Access 97); otherwise they are
    // left out of the first comparisons, after `leftOut`.
    bool controlsFirst = false;
    // Trailing spaces count for nothing ("a " is "a").
    bool trimsTrailingSpaces = false;
    // From space to the last symbol, then the digits, then the letters.
    std::span<const PrimaryClass> symbols;
    std::span<const PrimaryClass> digits;
    std::span<const PrimaryClass> letters;
    std::span<const Expansion> expansions;
    // Characters left out of the first comparisons, which decide only after
    // them by where they stand, in the order of their weights.
    std::u32string_view leftOut;
    // Characters that count for nothing at all.
    std::u32string_view ignored;
};

// The description of General of one generation, as the engine's own
// orders give it.
const OrderDescription& DescriptionOf(Generation generation);

}  // namespace kestrova::platform::textorder
