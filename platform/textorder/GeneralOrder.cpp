#include "platform/textorder/GeneralOrder.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace kestrova::platform::textorder {

namespace {

// A character's weight in the first comparison: its group, then its place
// in the group; and its accent, for the second.
struct Element {
    std::uint32_t primary = 0;
    std::uint8_t accent = 0;
};

// What a character contributes: up to three elements (Æ gives two), or, as
// one of the characters left out of the first comparison, a weight for the
// last.
struct Weights {
    std::array<Element, 3> elements{};
    int count = 0;
    std::uint8_t leftOut = 0;  // non-zero: left out, with this weight
};

// The groups, in their order.
enum Group : std::uint32_t {
    kControl = 2,      // Access 97: control characters, before space
    kSpace = 3,        // space, no-break space, tab
    kPunctuation = 4,  // the code page's punctuation and symbols
    kOtherSymbol = 5,  // others, by code point
    kDigit = 6,
    kLetter = 7,  // a to z, then Þ and Ø
    kOther = 8,   // all else, by code point
};

constexpr std::uint32_t Primary(Group group, std::uint32_t place) {
    return (static_cast<std::uint32_t>(group) << 24) | place;
}

// Accents, in the order the engine sorts them.
enum Accent : std::uint8_t {
    kNoAccent = 2,
    kGrave,
    kAcute,
    kCircumflex,
    kDiaeresis,
    kTilde,
    kRing,
    kCedilla,
    kStroke,
    kCaron,
    kOtherAccent,      // and up, by the mark's code point
    kLigature = 0xF0,  // the first letter of Æ and ß
};

// Weights of the characters left out of the first comparison.
constexpr std::uint8_t kHyphenWeight = 2;
constexpr std::uint8_t kApostropheWeight = 3;
constexpr std::uint8_t kControlWeight = 4;

// The punctuation and symbols of the code page, in the engine's order;
// characters in one string sort as equal.
// The code page's upper half beyond Latin-1 has its place among them: the
// low and curly quotation marks with the quotation mark, the single ones
// with the apostrophe, the dashes with the hyphen, and its symbols after
// the tilde.
// clang-format off
constexpr std::u32string_view kPunctuationClasses[] = {
    U"!", U"\u201E\u201C\u201D\u00AB\u00BB\"", U"#", U"$", U"%", U"&",
    U"\u201A\u2039\u2018\u2019\u203A'", U"(", U")", U"*", U"+", U",",
    U"\u2013\u2014\u00AD\u001A-", U".", U"/", U":", U";", U"<", U"=", U">", U"?", U"@", U"[",
    U"\\", U"]", U"^", U"_", U"`", U"{", U"|", U"}", U"~", U"\u0192", U"\u2026", U"\u2020",
    U"\u2021", U"\u02C6", U"\u2030", U"\u2022", U"\u02DC", U"\u2122", U"\u00A1", U"\u00A2",
    U"\u00A3", U"\u00A4", U"\u00A5", U"\u00A6", U"\u00A7", U"\u00A8", U"\u00A9", U"\u00AA",
    U"\u00AC", U"\u00AE", U"\u00AF", U"\u00B0", U"\u00B1", U"\u00B4", U"\u00B5", U"\u00B6",
    U"\u00B7", U"\u00B8", U"\u00BA", U"\u00BC", U"\u00BD", U"\u00BE", U"\u00BF", U"\u00D7",
    U"\u00F7",
};
// clang-format on

// Latin-1 letters beyond ASCII: base letter and accent, or a letter of
// their own (Þ, Ø), or two letters (Æ, ß).
struct Latin1Letter {
    char32_t character;
    char base;
    std::uint8_t accent;
    char second = 0;  // the second letter of Æ and ß
};
constexpr Latin1Letter kLatin1Letters[] = {
    {U'\u00C0', 'a', kGrave},
    {U'\u00C1', 'a', kAcute},
    {U'\u00C2', 'a', kCircumflex},
    {U'\u00C3', 'a', kTilde},
    {U'\u00C4', 'a', kDiaeresis},
    {U'\u00C5', 'a', kRing},
    {U'\u00C6', 'a', kLigature, 'e'},
    {U'\u00C7', 'c', kCedilla},
    {U'\u00C8', 'e', kGrave},
    {U'\u00C9', 'e', kAcute},
    {U'\u00CA', 'e', kCircumflex},
    {U'\u00CB', 'e', kDiaeresis},
    {U'\u00CC', 'i', kGrave},
    {U'\u00CD', 'i', kAcute},
    {U'\u00CE', 'i', kCircumflex},
    {U'\u00CF', 'i', kDiaeresis},
    {U'\u00D0', 'd', kStroke},
    {U'\u00D1', 'n', kTilde},
    {U'\u00D2', 'o', kGrave},
    {U'\u00D3', 'o', kAcute},
    {U'\u00D4', 'o', kCircumflex},
    {U'\u00D5', 'o', kTilde},
    {U'\u00D6', 'o', kDiaeresis},
    {U'\u00D9', 'u', kGrave},
    {U'\u00DA', 'u', kAcute},
    {U'\u00DB', 'u', kCircumflex},
    {U'\u00DC', 'u', kDiaeresis},
    {U'\u00DD', 'y', kAcute},
    {U'\u00DF', 's', kLigature, 's'},
    {U'\u00FF', 'y', kDiaeresis},
    // The code page's letters beyond Latin-1.
    {U'\u0152', 'o', kLigature, 'e'},
    {U'\u0153', 'o', kLigature, 'e'},
    {U'\u0160', 's', kCaron},
    {U'\u0161', 's', kCaron},
    {U'\u0178', 'y', kDiaeresis},
};
constexpr std::uint32_t kThorn = 26;
constexpr std::uint32_t kOStroke = 27;

Element Letter(char letter, std::uint8_t accent = kNoAccent) {
    return {Primary(kLetter, static_cast<std::uint32_t>(letter - 'a')), accent};
}

// The weights of the code page's characters, built once.
struct CodePageTable {
    std::array<Weights, 256> weights{};
    std::array<bool, 256> known{};
    // The characters of the code page's upper half beyond Latin-1.
    std::unordered_map<char32_t, Weights> beyond;

    const Weights* Find(char32_t c) const {
        if (c <= 0xFF) {
            return known[c] ? &weights[c] : nullptr;
        }
        const auto found = beyond.find(c);
        return found == beyond.end() ? nullptr : &found->second;
    }

    void Set(char32_t c, Weights w) {
        if (c > 0xFF) {
            beyond[c] = w;
            return;
        }
        weights[c] = w;
        known[c] = true;
    }
    void SetOne(char32_t c, Element e) {
        Weights w;
        w.elements[0] = e;
        w.count = 1;
        Set(c, w);
    }

    CodePageTable() {
        for (char32_t c = 0; c < 0x20; ++c) {
            SetOne(c, {Primary(kControl, 0), kNoAccent});
        }
        for (char32_t c = 0x7F; c < 0xA0; ++c) {
            SetOne(c, {Primary(kControl, 0), kNoAccent});
        }
        for (const char32_t c : {U' ', U'\t', U'\u00A0'}) {
            SetOne(c, {Primary(kSpace, 0), kNoAccent});
        }
        for (std::uint32_t place = 0; place < std::size(kPunctuationClasses); ++place) {
            for (const char32_t c : kPunctuationClasses[place]) {
                SetOne(c, {Primary(kPunctuation, place), kNoAccent});
            }
        }
        for (char32_t c = U'0'; c <= U'9'; ++c) {
            SetOne(c, {Primary(kDigit, c - U'0'), kNoAccent});
        }
        SetOne(U'\u00B9', {Primary(kDigit, 1), kNoAccent});
        SetOne(U'\u00B2', {Primary(kDigit, 2), kNoAccent});
        SetOne(U'\u00B3', {Primary(kDigit, 3), kNoAccent});
        for (char c = 'a'; c <= 'z'; ++c) {
            SetOne(static_cast<char32_t>(c), Letter(c));
            SetOne(static_cast<char32_t>(c - 'a' + 'A'), Letter(c));
        }
        for (const auto& letter : kLatin1Letters) {
            Weights w;
            w.elements[0] = Letter(letter.base, letter.accent);
            w.count = 1;
            if (letter.second) {
                w.elements[1] = Letter(letter.second);
                w.count = 2;
            }
            Set(letter.character, w);
            // The small letter of each Latin-1 capital above.
            if (letter.character >= 0xC0 && letter.character <= 0xDE && letter.character != 0xD7) {
                Set(letter.character + 0x20, w);
            }
        }
        SetOne(U'\u00DE', {Primary(kLetter, kThorn), kNoAccent});
        SetOne(U'\u00FE', {Primary(kLetter, kThorn), kNoAccent});
        SetOne(U'\u00D8', {Primary(kLetter, kOStroke), kNoAccent});
        SetOne(U'\u00F8', {Primary(kLetter, kOStroke), kNoAccent});
    }
};

const CodePageTable& Table() {
    static const CodePageTable table;
    return table;
}

std::uint8_t AccentOfMark(char32_t mark) {
    switch (mark) {
        case 0x0300:
            return kGrave;
        case 0x0301:
            return kAcute;
        case 0x0302:
            return kCircumflex;
        case 0x0303:
            return kTilde;
        case 0x0308:
            return kDiaeresis;
        case 0x030A:
            return kRing;
        case 0x0327:
            return kCedilla;
        case 0x030C:
            return kCaron;
        default:
            break;
    }
    return static_cast<std::uint8_t>(kOtherAccent + std::min<char32_t>(mark & 0x7F, 0x7F));
}

// A character beyond the code page, from its decomposition: a letter of the
// code page with marks (Š), or letters of it (ﬁ); else by its kind and code
// point.
Weights FallbackWeights(char32_t c) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString decomposed;
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
    if (U_SUCCESS(status) && nfkd->getDecomposition(static_cast<UChar32>(c), decomposed)) {
        Weights w;
        for (int32_t i = 0; i < decomposed.length() && w.count < 3;) {
            const UChar32 part = decomposed.char32At(i);
            i += U16_LENGTH(part);
            if (u_getCombiningClass(part) != 0 || u_charType(part) == U_NON_SPACING_MARK) {
                if (w.count > 0 && w.elements[w.count - 1].accent == kNoAccent) {
                    w.elements[w.count - 1].accent = AccentOfMark(static_cast<char32_t>(part));
                }
                continue;
            }
            const auto folded = static_cast<char32_t>(u_foldCase(part, U_FOLD_CASE_DEFAULT));
            const Weights* base = Table().Find(folded);
            if (!base || base->count != 1) {
                w.count = 0;
                break;
            }
            w.elements[w.count++] = base->elements[0];
        }
        if (w.count > 0) {
            if (w.count > 1 && w.elements[0].accent == kNoAccent) {
                w.elements[0].accent = kLigature;
            }
            return w;
        }
    }
    Weights w;
    w.count = 1;
    const int32_t digit = u_charDigitValue(static_cast<UChar32>(c));
    if (u_charType(static_cast<UChar32>(c)) == U_DECIMAL_DIGIT_NUMBER && digit >= 0) {
        w.elements[0] = {Primary(kDigit, static_cast<std::uint32_t>(digit)), kOtherAccent};
    } else if (u_isUWhiteSpace(static_cast<UChar32>(c))) {
        w.elements[0] = {Primary(kSpace, 0), kOtherAccent};
    } else if ((U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_P_MASK | U_GC_S_MASK)) != 0) {
        w.elements[0] = {Primary(kOtherSymbol, c), kNoAccent};
    } else {
        w.elements[0] = {Primary(kOther, static_cast<std::uint32_t>(u_foldCase(
                                             static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT))),
                         kNoAccent};
    }
    return w;
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

bool IsHyphen(char32_t c) {
    return c == U'-' || c == U'\u00AD' || c == U'\u2010' || c == U'\u2011';
}

Weights WeightsOf(char32_t c, Generation generation) {
    if (generation != Generation::General1997) {
        Weights w;
        if (IsHyphen(c)) {
            w.leftOut = kHyphenWeight;
        } else if (c == U'\'') {
            w.leftOut = kApostropheWeight;
        } else if (IsControlOrFormat(c)) {
            w.leftOut = kControlWeight;
        }
        if (w.leftOut) {
            return w;
        }
    }
    if (generation == Generation::General1997) {
        // Access 97 sorts what its order does not know (the euro sign and
        // Ž, which the code page gained later, and bytes the code page
        // leaves undefined) with the control characters.
        const bool unknown = c == U'\u20AC' || c == U'\u017D' || c == U'\u017E';
        const Weights* known = unknown ? nullptr : Table().Find(c);
        return known ? *known : Table().weights[1];
    }
    if (const Weights* known = Table().Find(c)) {
        return *known;
    }
    return FallbackWeights(c);
}

// A weight of the code page's order as one byte, in the weights' order:
// the control characters, space, each punctuation and symbol, then the
// lead of the symbols beyond the code page, the digits, the letters, and
// the lead of all else. Those two leads are followed by the character's
// code point in three bytes. No byte of one element's start stands for
// another, so two keys that agree so far stand at the start of an element
// together, and the end of the level (1) sorts before any.
constexpr std::uint8_t kFirstWeightByte = 2;
constexpr std::uint8_t kPunctuationByte = kFirstWeightByte + 2;
constexpr std::uint8_t kOtherSymbolByte =
    kPunctuationByte + static_cast<std::uint8_t>(std::size(kPunctuationClasses));
constexpr std::uint8_t kDigitByte = kOtherSymbolByte + 1;
constexpr std::uint8_t kLetterByte = kDigitByte + 10;
constexpr std::uint8_t kOtherByte = kLetterByte + kOStroke + 1;
static_assert(kOtherByte < 0xFF);

void AppendPrimary(std::string& key, std::uint32_t primary) {
    const auto group = static_cast<Group>(primary >> 24);
    const std::uint32_t place = primary & 0xFFFFFF;
    switch (group) {
        case kControl:
            key += static_cast<char>(kFirstWeightByte);
            return;
        case kSpace:
            key += static_cast<char>(kFirstWeightByte + 1);
            return;
        case kPunctuation:
            key += static_cast<char>(kPunctuationByte + place);
            return;
        case kDigit:
            key += static_cast<char>(kDigitByte + place);
            return;
        case kLetter:
            key += static_cast<char>(kLetterByte + place);
            return;
        case kOtherSymbol:
        case kOther:
            key += static_cast<char>(group == kOtherSymbol ? kOtherSymbolByte : kOtherByte);
            key += static_cast<char>((place >> 16) & 0xFF);
            key += static_cast<char>((place >> 8) & 0xFF);
            key += static_cast<char>(place & 0xFF);
            return;
    }
}

constexpr char kLevelSeparator = 1;

// The next character of UTF-8 text from `at`; U+FFFD for a byte that
// starts no character.
char32_t NextCharacter(std::string_view text, std::size_t& at) {
    UChar32 c = 0;
    int32_t i = static_cast<int32_t>(at);
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), i, static_cast<int32_t>(text.size()), c);
    at = static_cast<std::size_t>(i);
    return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

}  // namespace

GeneralOrder::GeneralOrder(Generation generation) : generation_(generation) {
    for (char32_t c = 0; c < asciiPrimary_.size(); ++c) {
        const Weights w = WeightsOf(c, generation);
        asciiPrimary_[c] = w.leftOut ? 0 : w.elements[0].primary;
    }
}

std::string GeneralOrder::Key(std::string_view utf8) const {
    std::string primaries;
    std::string accents;
    std::string leftOut;
    std::size_t position = 0;
    for (std::size_t at = 0; at < utf8.size(); ++position) {
        const Weights w = WeightsOf(NextCharacter(utf8, at), generation_);
        if (w.leftOut) {
            const auto place = static_cast<std::uint16_t>(std::min<std::size_t>(position, 0xFFFF));
            leftOut += static_cast<char>(place >> 8);
            leftOut += static_cast<char>(place & 0xFF);
            leftOut += static_cast<char>(w.leftOut);
            continue;
        }
        for (int e = 0; e < w.count; ++e) {
            AppendPrimary(primaries, w.elements[e].primary);
            accents += static_cast<char>(w.elements[e].accent);
        }
    }
    // Unaccented is the least accent: trailing ones need not be kept.
    while (!accents.empty() && accents.back() == static_cast<char>(kNoAccent)) {
        accents.pop_back();
    }
    std::string key = std::move(primaries);
    key += kLevelSeparator;
    key += accents;
    key += kLevelSeparator;
    key += leftOut;
    return key;
}

std::optional<std::uint32_t> GeneralOrder::NextAsciiWeight(std::string_view text,
                                                           std::size_t& at) const {
    for (; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            return std::nullopt;
        }
        if (asciiPrimary_[c] != 0) {
            return asciiPrimary_[c];
        }
    }
    return 0U;
}

std::optional<int> GeneralOrder::CompareAscii(std::string_view a, std::string_view b) const {
    std::size_t i = 0;
    std::size_t j = 0;
    for (;; ++i, ++j) {
        const auto wa = NextAsciiWeight(a, i);
        const auto wb = NextAsciiWeight(b, j);
        if (!wa || !wb) {
            return std::nullopt;
        }
        if (i == a.size() || j == b.size()) {
            if (i == a.size() && j == b.size()) {
                return std::nullopt;  // equal so far: the other levels decide
            }
            return i == a.size() ? -1 : 1;
        }
        if (*wa != *wb) {
            return *wa < *wb ? -1 : 1;
        }
    }
}

}  // namespace kestrova::platform::textorder
