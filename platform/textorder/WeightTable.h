#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

#include "platform/textorder/OrderDescription.h"

namespace kestrova::platform::textorder {

// A character's weight in the first comparison and in the second.
// `primary` holds, in its top byte, the byte that stands for it in a key;
// a character the order does not know keeps its code point in the low 24
// bits, which follow that byte.
struct Element {
    std::uint32_t primary = 0;
    std::uint8_t secondary = 0;
};

// What a character contributes: up to three elements (Æ gives two), or, as
// one of the characters left out of the first comparisons, a weight for the
// last (non-zero); nothing at all where it is ignored.
struct Weights {
    std::array<Element, 3> elements{};
    int count = 0;
    std::uint8_t leftOut = 0;
};

// The weight in the second comparison of a character without an accent:
// the least, after the end of a level (1).
constexpr std::uint8_t kPlain = 2;

// The weights of every character in one generation of General, made once
// from its description.
class WeightTable {
public:
    explicit WeightTable(const OrderDescription& description);

    // A character of the code page as its description says; any other by
    // its decomposition (Š as S with a caron) or, failing that, after the
    // others of its kind by code point.
    Weights Of(char32_t c) const;
    bool TrimsTrailingSpaces() const { return trimsTrailingSpaces_; }

    // The one table of each generation.
    static const WeightTable& ForGeneration(Generation generation);

private:
    const Weights* Find(char32_t c) const;
    void Set(char32_t c, const Weights& weights);
    void SetAll(std::u32string_view characters, Element element);
    void SetLetterClass(const PrimaryClass& letters, std::uint32_t primary);
    void SetCapitals(std::u32string_view letters);
    void SetLeftOut(const OrderDescription& description);
    std::uint32_t NextPrimary();
    Weights Beyond(char32_t c) const;
    Weights Decomposed(char32_t c) const;

    std::array<Weights, 256> latin1_{};
    std::array<bool, 256> known_{};
    std::unordered_map<char32_t, Weights> beyondLatin1_;
    std::uint8_t nextByte_ = 2;
    bool controlsFirst_ = false;
    bool trimsTrailingSpaces_ = false;
    std::uint32_t spacePrimary_ = 0;
    std::uint32_t otherSymbolPrimary_ = 0;
    std::uint32_t otherPrimary_ = 0;
    std::array<std::uint32_t, 10> digitPrimary_{};
    std::uint8_t hyphenWeight_ = 0;
    std::uint8_t controlWeight_ = 0;
};

}  // namespace kestrova::platform::textorder
