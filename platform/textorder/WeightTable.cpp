#include "platform/textorder/WeightTable.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace kestrova::platform::textorder {

namespace {

// The second weights of what the code page does not hold: accents other
// letters carry, after every accent of the code page's own letters, in the
// order grave, acute, circumflex, diaeresis, tilde, ring, cedilla, caron,
// then any other by its code point; a letter that stands for several, on
// its first, after all of them.
constexpr std::uint8_t kForeignAccent = 0x40;
constexpr std::uint8_t kOtherMark = kForeignAccent + 8;
constexpr std::uint8_t kLigature = 0xF0;

std::uint8_t AccentOfMark(char32_t mark) {
    constexpr char32_t kMarks[] = {0x0300, 0x0301, 0x0302, 0x0308, 0x0303, 0x030A, 0x0327, 0x030C};
    const auto* found = std::find(std::begin(kMarks), std::end(kMarks), mark);
    if (found != std::end(kMarks)) {
        return static_cast<std::uint8_t>(kForeignAccent + (found - std::begin(kMarks)));
    }
    return static_cast<std::uint8_t>(kOtherMark + (mark & 0x7F));
}

// The code page's capitals beyond Latin-1; every other capital of a letter
// it holds is Latin-1's.
constexpr std::u32string_view kCapitalsBeyondLatin1 = U"\u0160\u0152\u017D\u0178";

bool IsCapitalOfTheCodePage(char32_t c) {
    return c <= 0xFF || kCapitalsBeyondLatin1.find(c) != std::u32string_view::npos;
}

Weights One(Element element) {
    Weights weights;
    weights.elements[0] = element;
    weights.count = 1;
    return weights;
}

Weights LeftOut(std::uint8_t weight) {
    Weights weights;
    weights.leftOut = weight;
    return weights;
}

// Latin-1's are known without asking ICU, whose tables then need not be
// loaded for text of the code page.
bool IsControlOrFormat(char32_t c) {
    if (c < 0x100) {
        return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD;
    }
    const auto type = u_charType(static_cast<UChar32>(c));
    return type == U_CONTROL_CHAR || type == U_FORMAT_CHAR;
}

// Unicode's hyphens, which the code page has only as its own.
bool IsHyphenBeyondTheCodePage(char32_t c) {
    return c == U'\u2010' || c == U'\u2011';
}

}  // namespace

WeightTable::WeightTable(const OrderDescription& description)
    : controlsFirst_(description.controlsFirst),
      trimsTrailingSpaces_(description.trimsTrailingSpaces) {
    if (controlsFirst_) {
        const Element control{NextPrimary(), kPlain};
        for (char32_t c = 0; c < 0x20; ++c) {
            Set(c, One(control));
        }
        for (char32_t c = 0x7F; c < 0xA0; ++c) {
            Set(c, One(control));
        }
    }
    for (const auto& symbols : description.symbols) {
        SetLetterClass(symbols, NextPrimary());
    }
    otherSymbolPrimary_ = NextPrimary();
    for (const auto& digits : description.digits) {
        SetLetterClass(digits, NextPrimary());
    }
    for (const auto& letters : description.letters) {
        const std::uint32_t primary = NextPrimary();
        SetLetterClass(letters, primary);
        SetCapitals(letters.alike);
        SetCapitals(letters.variants);
    }
    otherPrimary_ = NextPrimary();
    for (const auto& expansion : description.expansions) {
        Weights weights;
        weights.elements[0] = Find(static_cast<char32_t>(expansion.first))->elements[0];
        weights.elements[1] = Find(static_cast<char32_t>(expansion.second))->elements[0];
        weights.count = 2;
        if (expansion.marked) {
            weights.elements[0].secondary = kLigature;
        }
        Set(expansion.character, weights);
        SetCapitals(std::u32string_view(&expansion.character, 1));
    }
    spacePrimary_ = Find(U' ')->elements[0].primary;
    for (char32_t digit = 0; digit < 10; ++digit) {
        digitPrimary_[digit] = Find(U'0' + digit)->elements[0].primary;
    }
    SetLeftOut(description);
}

std::uint32_t WeightTable::NextPrimary() {
    return static_cast<std::uint32_t>(nextByte_++) << 24;
}

void WeightTable::Set(char32_t c, const Weights& weights) {
    if (c > 0xFF) {
        beyondLatin1_[c] = weights;
        return;
    }
    latin1_[c] = weights;
    known_[c] = true;
}

void WeightTable::SetAll(std::u32string_view characters, Element element) {
    for (const auto c : characters) {
        Set(c, One(element));
    }
}

// Each letter's capital sorts as the letter, where the code page has one.
void WeightTable::SetCapitals(std::u32string_view letters) {
    for (const auto c : letters) {
        const auto capital = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
        if (capital != c && IsCapitalOfTheCodePage(capital)) {
            Set(capital, *Find(c));
        }
    }
}

// The class's characters alike, its variants one step apart in the second
// comparison each.
void WeightTable::SetLetterClass(const PrimaryClass& letters, std::uint32_t primary) {
    SetAll(letters.alike, {primary, kPlain});
    auto secondary = kPlain;
    for (const auto c : letters.variants) {
        Set(c, One({primary, ++secondary}));
    }
}

void WeightTable::SetLeftOut(const OrderDescription& description) {
    std::uint8_t weight = 1;
    for (const auto c : description.leftOut) {
        Set(c, LeftOut(++weight));
        if (c == U'-') {
            hyphenWeight_ = weight;
        }
    }
    controlWeight_ = ++weight;
    for (const auto c : description.ignored) {
        Set(c, Weights{});
    }
}

const Weights* WeightTable::Find(char32_t c) const {
    if (c <= 0xFF) {
        return known_[c] ? &latin1_[c] : nullptr;
    }
    const auto found = beyondLatin1_.find(c);
    return found == beyondLatin1_.end() ? nullptr : &found->second;
}

Weights WeightTable::Of(char32_t c) const {
    if (const Weights* known = Find(c)) {
        return *known;
    }
    if (controlsFirst_) {
        // Access 97 sorts what its order does not know (the euro sign and
        // Ž, which the code page gained later, and all beyond it) with the
        // control characters.
        return latin1_[0];
    }
    if (IsHyphenBeyondTheCodePage(c) && hyphenWeight_ != 0) {
        return LeftOut(hyphenWeight_);
    }
    if (IsControlOrFormat(c)) {
        return LeftOut(controlWeight_);
    }
    return Beyond(c);
}

// A character beyond the code page, from its decomposition where that is
// made of the code page's letters; else by its kind and code point.
Weights WeightTable::Beyond(char32_t c) const {
    const Weights decomposed = Decomposed(c);
    if (decomposed.count > 0) {
        return decomposed;
    }
    const auto code = static_cast<UChar32>(c);
    const int32_t digit = u_charDigitValue(code);
    if (u_charType(code) == U_DECIMAL_DIGIT_NUMBER && digit >= 0 && digit < 10) {
        return One({digitPrimary_[static_cast<std::size_t>(digit)], kOtherMark});
    }
    if (u_isUWhiteSpace(code)) {
        return One({spacePrimary_, kOtherMark});
    }
    if ((U_GET_GC_MASK(code) & (U_GC_P_MASK | U_GC_S_MASK)) != 0) {
        return One({otherSymbolPrimary_ | c, kPlain});
    }
    return One({otherPrimary_ | static_cast<std::uint32_t>(u_foldCase(code, U_FOLD_CASE_DEFAULT)),
                kPlain});
}

// A letter of the code page with marks (Š), or letters of it (ﬁ); no
// weights where the decomposition holds anything else.
Weights WeightTable::Decomposed(char32_t c) const {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString decomposition;
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status) || !nfkd->getDecomposition(static_cast<UChar32>(c), decomposition)) {
        return {};
    }
    Weights weights;
    for (int32_t i = 0; i < decomposition.length() && weights.count < 3;) {
        const UChar32 part = decomposition.char32At(i);
        i += U16_LENGTH(part);
        if (u_getCombiningClass(part) != 0 || u_charType(part) == U_NON_SPACING_MARK) {
            auto& last = weights.elements[static_cast<std::size_t>(std::max(weights.count - 1, 0))];
            if (weights.count > 0 && last.secondary == kPlain) {
                last.secondary = AccentOfMark(static_cast<char32_t>(part));
            }
            continue;
        }
        const auto folded = static_cast<char32_t>(u_foldCase(part, U_FOLD_CASE_DEFAULT));
        const Weights* base = Find(folded);
        if (!base || base->count != 1) {
            return {};
        }
        weights.elements[static_cast<std::size_t>(weights.count++)] = base->elements[0];
    }
    if (weights.count > 1 && weights.elements[0].secondary == kPlain) {
        weights.elements[0].secondary = kLigature;
    }
    return weights;
}

// One table for each generation, in the order the generations are named.
const WeightTable& WeightTable::ForGeneration(Generation generation) {
    static const WeightTable tables[] = {
        WeightTable(DescriptionOf(Generation::General1997)),
        WeightTable(DescriptionOf(Generation::GeneralLegacy)),
        WeightTable(DescriptionOf(Generation::General2010)),
    };
    return tables[static_cast<std::size_t>(generation)];
}

}  // namespace kestrova::platform::textorder
