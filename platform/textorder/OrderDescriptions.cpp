#include "platform/textorder/OrderDescription.h"

// The orders as the engine's own index keys give them: Access 97's from the
// index its program wrote over every character of the code page; General
// Legacy's and General's from the engine's order of 2,378 texts each (every
// character of the code page alone, inside a word and beside a letter, and
// mixed texts). Each list below is read off that order, character by
// character; the tests sort the engine's texts with them.

namespace kestrova::platform::textorder {

namespace {

// clang-format off

// Access 97: space, then the code page's punctuation and symbols; its low
// and curly quotation marks with the quotation mark, the single ones with
// the apostrophe, the dashes (and one control character) with the hyphen.
constexpr PrimaryClass kSymbols1997[] = {
    {U" \t\u00A0"},
    {U"!"}, {U"\u201E\u201C\u201D\u00AB\u00BB\""}, {U"#"}, {U"$"}, {U"%"}, {U"&"},
    {U"\u201A\u2039\u2018\u2019\u203A'"}, {U"("}, {U")"}, {U"*"}, {U"+"}, {U","},
    {U"\u2013\u2014\u00AD\u001A-"}, {U"."}, {U"/"}, {U":"}, {U";"}, {U"<"}, {U"="}, {U">"},
    {U"?"}, {U"@"}, {U"["}, {U"\\"}, {U"]"}, {U"^"}, {U"_"}, {U"`"}, {U"{"}, {U"|"}, {U"}"},
    {U"~"}, {U"\u0192"}, {U"\u2026"}, {U"\u2020"}, {U"\u2021"}, {U"\u02C6"}, {U"\u2030"},
    {U"\u2022"}, {U"\u02DC"}, {U"\u2122"}, {U"\u00A1"}, {U"\u00A2"}, {U"\u00A3"}, {U"\u00A4"},
    {U"\u00A5"}, {U"\u00A6"}, {U"\u00A7"}, {U"\u00A8"}, {U"\u00A9"}, {U"\u00AA"}, {U"\u00AC"},
    {U"\u00AE"}, {U"\u00AF"}, {U"\u00B0"}, {U"\u00B1"}, {U"\u00B4"}, {U"\u00B5"}, {U"\u00B6"},
    {U"\u00B7"}, {U"\u00B8"}, {U"\u00BA"}, {U"\u00BC"}, {U"\u00BD"}, {U"\u00BE"}, {U"\u00BF"},
    {U"\u00D7"}, {U"\u00F7"},
};
constexpr PrimaryClass kDigits1997[] = {
    {U"0"}, {U"1\u00B9"}, {U"2\u00B2"}, {U"3\u00B3"}, {U"4"}, {U"5"}, {U"6"}, {U"7"}, {U"8"},
    {U"9"},
};
// Accents in the order grave, acute, circumflex, diaeresis, tilde, ring;
// Þ and Ø letters of their own after z.
constexpr PrimaryClass kLetters1997[] = {
    {U"a", U"\u00E0\u00E1\u00E2\u00E4\u00E3\u00E5"}, {U"b"}, {U"c", U"\u00E7"},
    {U"d", U"\u00F0"}, {U"e", U"\u00E8\u00E9\u00EA\u00EB"}, {U"f"}, {U"g"}, {U"h"},
    {U"i", U"\u00EC\u00ED\u00EE\u00EF"}, {U"j"}, {U"k"}, {U"l"}, {U"m"}, {U"n", U"\u00F1"},
    {U"o", U"\u00F2\u00F3\u00F4\u00F6\u00F5"}, {U"p"}, {U"q"}, {U"r"}, {U"s", U"\u0161"}, {U"t"},
    {U"u", U"\u00F9\u00FA\u00FB\u00FC"}, {U"v"}, {U"w"}, {U"x"}, {U"y", U"\u00FD\u00FF"}, {U"z"},
    {U"\u00FE"}, {U"\u00F8"},
};
constexpr Expansion kExpansions1997[] = {
    {U'\u00E6', 'a', 'e', true}, {U'\u00DF', 's', 's', true}, {U'\u0153', 'o', 'e', true},
};

// General Legacy and General: space, no-break space and tab apart; the
// quotation marks and apostrophes among the punctuation, each of its own;
// the math signs, then (Legacy) the currency signs.
constexpr PrimaryClass kSymbolsLegacy[] = {
    {U" "}, {U"\u00A0"}, {U"\t"},
    {U"!"}, {U"\""}, {U"#"}, {U"$"}, {U"%"}, {U"&"}, {U"("}, {U")"}, {U"*"}, {U","}, {U"."},
    {U"/"}, {U":"}, {U";"}, {U"?"}, {U"@"}, {U"["}, {U"\\"}, {U"]"}, {U"^", U"\u02C6"}, {U"_"},
    {U"`"}, {U"{"}, {U"|"}, {U"}"}, {U"~"}, {U"\u00A1"}, {U"\u00A6"}, {U"\u00A8"}, {U"\u00AF"},
    {U"\u00B4"}, {U"\u00B8"}, {U"\u00BF"}, {U"\u02DC"}, {U"\u2018"}, {U"\u2019"}, {U"\u201A"},
    {U"\u201C"}, {U"\u201D"}, {U"\u201E"}, {U"\u2039"}, {U"\u203A"},
    {U"+"}, {U"<"}, {U"="}, {U">"}, {U"\u00B1"}, {U"\u00AB"}, {U"\u00BB"}, {U"\u00D7"},
    {U"\u00F7"}, {U"\u00A2"}, {U"\u00A3"}, {U"\u00A4"}, {U"\u00A5"}, {U"\u00A7"}, {U"\u00A9"},
    {U"\u00AC"}, {U"\u00AE"}, {U"\u00B0"}, {U"\u00B5"}, {U"\u00B6"}, {U"\u00B7"}, {U"\u2020"},
    {U"\u2021"}, {U"\u2022"}, {U"\u2026"}, {U"\u2030"}, {U"\u20AC"},
};
constexpr PrimaryClass kDigitsLegacy[] = {
    {U"0"}, {U"\u00BC"}, {U"\u00BD"}, {U"\u00BE"}, {U"1\u00B9"}, {U"2\u00B2"}, {U"3\u00B3"},
    {U"4"}, {U"5"}, {U"6"}, {U"7"}, {U"8"}, {U"9"},
};

// General: the currency signs before the math signs, ^ and ˆ alike.
constexpr PrimaryClass kSymbols2010[] = {
    {U" "}, {U"\u00A0"}, {U"\t"},
    {U"!"}, {U"\""}, {U"#"}, {U"$"}, {U"%"}, {U"&"}, {U"("}, {U")"}, {U"*"}, {U","}, {U"."},
    {U"/"}, {U":"}, {U";"}, {U"?"}, {U"@"}, {U"["}, {U"\\"}, {U"]"}, {U"^\u02C6"}, {U"_"},
    {U"`"}, {U"{"}, {U"|"}, {U"}"}, {U"~"}, {U"\u00A1"}, {U"\u00A6"}, {U"\u00A8"}, {U"\u00AF"},
    {U"\u00B4"}, {U"\u00B8"}, {U"\u00BF"}, {U"\u02DC"}, {U"\u2018"}, {U"\u2019"}, {U"\u201A"},
    {U"\u201C"}, {U"\u201D"}, {U"\u201E"}, {U"\u2039"}, {U"\u203A"},
    {U"\u00A2"}, {U"\u00A3"}, {U"\u00A4"}, {U"\u00A5"}, {U"\u20AC"},
    {U"+"}, {U"<"}, {U"="}, {U">"}, {U"\u00B1"}, {U"\u00AB"}, {U"\u00BB"}, {U"\u00D7"},
    {U"\u00F7"}, {U"\u00A7"}, {U"\u00A9"}, {U"\u00AC"}, {U"\u00AE"}, {U"\u00B0"}, {U"\u00B5"},
    {U"\u00B6"}, {U"\u00B7"}, {U"\u2026"}, {U"\u2020"}, {U"\u2021"}, {U"\u2022"}, {U"\u2030"},
};
// ¼ and ½ one weight apart from the digits, ¾ a kind of 3.
constexpr PrimaryClass kDigits2010[] = {
    {U"0"}, {U"\u00BC", U"\u00BD"}, {U"1\u00B9"}, {U"2\u00B2"}, {U"3\u00B3", U"\u00BE"},
    {U"4"}, {U"5"}, {U"6"}, {U"7"}, {U"8"}, {U"9"},
};

// Accents in the order acute, grave, circumflex, diaeresis, tilde, ring;
// ª and º kinds of a and o, ƒ of f, Ø of o; General Legacy keeps ü with u,
// General has it as a letter of its own after u.
constexpr PrimaryClass kLettersLegacy[] = {
    {U"a", U"\u00AA\u00E1\u00E0\u00E2\u00E4\u00E3\u00E5"}, {U"b"}, {U"c", U"\u00E7"},
    {U"d", U"\u00F0"}, {U"e", U"\u00E9\u00E8\u00EA\u00EB"}, {U"f", U"\u0192"}, {U"g"}, {U"h"},
    {U"i", U"\u00ED\u00EC\u00EE\u00EF"}, {U"j"}, {U"k"}, {U"l"}, {U"m"}, {U"n", U"\u00F1"},
    {U"o", U"\u00BA\u00F3\u00F2\u00F4\u00F6\u00F5\u00F8"}, {U"p"}, {U"q"}, {U"r"},
    {U"s", U"\u0161"}, {U"t"}, {U"u", U"\u00FA\u00F9\u00FB\u00FC"}, {U"v"}, {U"w"}, {U"x"},
    {U"y", U"\u00FD\u00FF"}, {U"z", U"\u017E"},
};
constexpr PrimaryClass kLetters2010[] = {
    {U"a", U"\u00AA\u00E1\u00E0\u00E2\u00E4\u00E3\u00E5"}, {U"b"}, {U"c", U"\u00E7"},
    {U"d", U"\u00F0"}, {U"e", U"\u00E9\u00E8\u00EA\u00EB"}, {U"f", U"\u0192"}, {U"g"}, {U"h"},
    {U"i", U"\u00ED\u00EC\u00EE\u00EF"}, {U"j"}, {U"k"}, {U"l"}, {U"m"}, {U"n", U"\u00F1"},
    {U"o", U"\u00BA\u00F3\u00F2\u00F4\u00F6\u00F5\u00F8"}, {U"p"}, {U"q"}, {U"r"},
    {U"s", U"\u0161"}, {U"t"}, {U"u", U"\u00FA\u00F9\u00FB"}, {U"\u00FC"}, {U"v"}, {U"w"},
    {U"x"}, {U"y", U"\u00FD\u00FF"}, {U"z", U"\u017E"},
};

// Æ, Œ, ß, Þ and ™ are the two letters they stand for, exactly.
constexpr Expansion kExpansionsLater[] = {
    {U'\u00E6', 'a', 'e'}, {U'\u0153', 'o', 'e'}, {U'\u00DF', 's', 's'},
    {U'\u00FE', 't', 'h'}, {U'\u2122', 't', 'm'},
};

// clang-format on

const OrderDescription k1997 = {
    .controlsFirst = true,
    .symbols = kSymbols1997,
    .digits = kDigits1997,
    .letters = kLetters1997,
    .expansions = kExpansions1997,
    .leftOut = {},
    .ignored = {},
};

const OrderDescription kLegacy = {
    .trimsTrailingSpaces = true,
    .symbols = kSymbolsLegacy,
    .digits = kDigitsLegacy,
    .letters = kLettersLegacy,
    .expansions = kExpansionsLater,
    .leftOut = U"'-\u00AD\u2013\u2014",
    .ignored = {},
};

// The soft hyphen counts for nothing; the dashes decide after the rest.
const OrderDescription k2010 = {
    .trimsTrailingSpaces = true,
    .symbols = kSymbols2010,
    .digits = kDigits2010,
    .letters = kLetters2010,
    .expansions = kExpansionsLater,
    .leftOut = U"'-\u2013\u2014",
    .ignored = U"\u00AD",
};

}  // namespace

const OrderDescription& DescriptionOf(Generation generation) {
    switch (generation) {
        case Generation::General1997:
            return k1997;
        case Generation::GeneralLegacy:
            return kLegacy;
        case Generation::General2010:
            break;
    }
    return k2010;
}

}  // namespace kestrova::platform::textorder
