#include "platform/textorder/TextOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/textorder/GeneralOrder.h"

namespace kestrova::platform::textorder {
namespace {

int Sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

std::unique_ptr<TextOrder> Order(Generation generation) {
    std::string note;
    auto order = MakeTextOrder(SortOrder{SortOrder::kGeneral, generation}, note);
    EXPECT_EQ(note, "");
    return order;
}

// Texts that sort as equal keys are joined by " = ".
std::string Sorted(TextOrder& order, std::vector<std::string> texts) {
    std::stable_sort(texts.begin(), texts.end(), [&](const std::string& a, const std::string& b) {
        return order.Compare(a, b) < 0;
    });
    std::string shown;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            shown += order.Compare(texts[i - 1], texts[i]) == 0 ? " = " : ", ";
        }
        shown += texts[i];
    }
    return shown;
}

TEST(GeneralOrder, SortsLikeTheEngineItsOwnProgramShows) {
    const std::vector<std::string> types = {"10",     "9",     "Apple",  "Eclair",     "Zebra",
                                            "_under", "apple", "banana", "can't",      "cant",
                                            "co-op",  "coop",  "eclair", "\u00C9clair"};
    for (const auto generation : {Generation::GeneralLegacy, Generation::General2010}) {
        EXPECT_EQ(
            Sorted(*Order(generation), types),
            "_under, 10, 9, Apple = apple, banana, cant, can't, coop, co-op, Eclair = eclair, "
            "\u00C9clair, Zebra");
    }
    // Access 97 sorts hyphen and apostrophe as punctuation, before letters.
    EXPECT_EQ(Sorted(*Order(Generation::General1997), types),
              "_under, 10, 9, Apple = apple, banana, can't, cant, co-op, coop, Eclair = eclair, "
              "\u00C9clair, Zebra");
}

// Each rule, as two texts and which one sorts first (0: equal keys).
struct Rule {
    const char* what;
    std::string a;
    std::string b;
    int order;
};

void ExpectRules(Generation generation, const std::vector<Rule>& rules) {
    auto order = Order(generation);
    for (const auto& rule : rules) {
        EXPECT_EQ(Sign(order->Compare(rule.a, rule.b)), rule.order) << rule.what;
        EXPECT_EQ(Sign(order->Compare(rule.b, rule.a)), -rule.order) << rule.what;
    }
}

TEST(GeneralOrder, FollowsEachRule) {
    const std::vector<Rule> rules = {
        {"case never counts", "BOOTS", "boots", 0},
        {"case never counts, beyond ASCII", "\u00C9T\u00C9", "\u00E9t\u00E9", 0},
        {"Bags before boots, whatever the case", "Bags", "boots", -1},
        {"accents only after the letters", "\u00E9clair", "eclairs", -1},
        {"accents decide left to right", "\u00E9cole", "ecol\u00E9", 1},
        {"acute before grave", "\u00E1", "\u00E0", -1},
        {"space before punctuation", "a b", "a!b", -1},
        {"punctuation before digits", "a#", "a0", -1},
        {"digits before letters", "9", "a", -1},
        {"digits one by one", "10", "9", -1},
        {"\u00C6 sorts as AE", "\u00C6on", "AEpa", -1},
        {"\u00C6 is AE exactly", "AEon", "\u00C6on", 0},
        {"\u00DF is SS exactly", "Stra\u00DFe", "Strasse", 0},
        {"\u00DF before a t", "Stra\u00DFe", "Strat", -1},
        {"a hyphen decides after the letters", "coop", "co-op", -1},
        {"an apostrophe decides after the letters", "cant", "can't", -1},
        {"a hyphen never before a letter", "co-op", "coo", 1},
        {"the soft hyphen counts for nothing", "coop", "co\u00ADop", 0},
        {"a dash decides after the letters", "coop", "co\u2013op", -1},
        {"a control character is left out",
         "a\x01"
         "b",
         "ab", 1},
        {"empty text before any other", "", "!", -1},
        {"trailing spaces count for nothing", "a  ", "a", 0},
        {"spaces before the text count", " a", "a", -1},
        {"a prefix first", "abc", "abcd", -1},
        {"superscript two as two", "x\u00B2", "x2", 0},
        {"\u0160 as S with a caron, before T", "\u0160a", "Ta", -1},
        {"\u0160 after S", "Sa", "\u0160a", -1},
        {"no-break space after space", "a b", "a\u00A0b", -1},
        {"letters beyond Latin-1 after Latin ones", "\u03B1", "z", 1},
    };
    ExpectRules(Generation::General2010, rules);
}

// What the code page does not hold sorts by its decomposition, else by its
// kind, in both orders from Access 2000 on.
TEST(GeneralOrder, SortsCharactersBeyondTheCodePageByDecompositionAndKind) {
    const std::vector<Rule> rules = {
        {"\u0103 as a, after the code page's accents", "\u00E5b", "\u0103b", -1},
        {"\u0103 before b", "\u0103z", "ba", -1},
        {"\uFB01 as f and i", "\uFB01x", "fiy", -1},
        {"\uFB01 after fi itself", "fix", "\uFB01x", -1},
        {"an em space as space", "a\u2003", "a!", -1},
        {"an Arabic-Indic digit as its digit", "\u0663", "4", -1},
        {"an Arabic-Indic digit after the digit", "3", "\u0663", -1},
        {"Unicode's hyphen as the hyphen", "co\u2010op", "co-op", 0},
        {"a symbol beyond the code page before the digits", "\u2190", "0", -1},
        {"a symbol beyond the code page after its symbols", "\u00F7", "\u2190", -1},
        {"a zero-width joiner is left out", "ab", "a\u200Db", -1},
        {"Greek after Latin", "z", "\u03B1", -1},
        {"Greek case never counts", "\u0391", "\u03B1", 0},
    };
    ExpectRules(Generation::GeneralLegacy, rules);
    ExpectRules(Generation::General2010, rules);
}

// Access 97 sorts control characters, and what its order does not know,
// before space; the code page's quotation marks, apostrophes and dashes
// with their plain kin, its other letters as Latin letters.
TEST(GeneralOrder, OfAccess97KnowsOnlyItsCodePage) {
    auto order = Order(Generation::General1997);
    EXPECT_LT(order->Compare("a\x01"
                             "b",
                             "a b"),
              0);
    EXPECT_EQ(order->Compare("a\u20ACb",
                             "a\x01"
                             "b"),
              0);
    EXPECT_EQ(order->Compare("a\u0081b",
                             "a\x01"
                             "b"),
              0);
    EXPECT_EQ(order->Compare("a\u201Cb", "a\"b"), 0);
    EXPECT_EQ(order->Compare("a\u2019b", "a'b"), 0);
    EXPECT_EQ(order->Compare("a\u2014b", "a-b"), 0);
    EXPECT_LT(order->Compare("a~b", "a\u2122b"), 0);
    EXPECT_LT(order->Compare("Sa", "\u0160a"), 0);
    EXPECT_LT(order->Compare("\u0160a", "Ta"), 0);
    EXPECT_LT(order->Compare("Oda", "\u0152a"), 0);  // as OE
    EXPECT_LT(order->Compare("\u0152a", "Ofa"), 0);
    EXPECT_LT(order->Compare("co-op", "coop"), 0);
}

// The quick comparison of ASCII text and the keys agree, on texts made of
// the characters that matter most.
TEST(GeneralOrder, ItsKeysAndItsQuickComparisonAgree) {
    const std::string alphabet = "aAbB -'0 9\x01!?";
    std::mt19937 random(7);
    for (const auto generation :
         {Generation::General1997, Generation::GeneralLegacy, Generation::General2010}) {
        GeneralOrder keys(generation);
        for (int round = 0; round < 20000; ++round) {
            std::string a;
            std::string b;
            for (int i = random() % 6; i > 0; --i) {
                a += alphabet[random() % alphabet.size()];
            }
            for (int i = random() % 6; i > 0; --i) {
                b += alphabet[random() % alphabet.size()];
            }
            const auto quick = keys.CompareAscii(a, b);
            const int byKeys = Sign(keys.Key(a).compare(keys.Key(b)));
            if (quick) {
                ASSERT_EQ(Sign(*quick), byKeys) << "'" << a << "' '" << b << "'";
            } else {
                ASSERT_EQ(keys.Key(a).substr(0, keys.Key(a).find('\x01')),
                          keys.Key(b).substr(0, keys.Key(b).find('\x01')))
                    << "'" << a << "' '" << b << "'";
            }
        }
    }
}

TEST(LanguageOrder, IsIcusCollationOfTheLanguageWithCaseIgnoredAndSaysSo) {
    std::string note;
    auto swedish = MakeTextOrder(SortOrder{1053, Generation::General2010}, note);
    EXPECT_EQ(note,
              "the database sorts Swedish/Finnish text as ICU's sv collation, the nearest to its "
              "own order");
    EXPECT_LT(swedish->Compare("z", "\u00E4"), 0);  // ä after z in Swedish
    EXPECT_EQ(swedish->Compare("\u00C4", "\u00E4"), 0);
    auto general = Order(Generation::General2010);
    EXPECT_GT(general->Compare("z", "\u00E4"), 0);

    auto unknown = MakeTextOrder(SortOrder{0x7777, Generation::General2010}, note);
    EXPECT_NE(note.find("is unknown here; its text sorts as General"), std::string::npos) << note;
    EXPECT_EQ(unknown->Compare("Apple", "apple"), 0);
}

TEST(SortOrder, ANameGivesTheOrderBack) {
    for (const SortOrder order :
         {SortOrder{1033, Generation::General1997}, SortOrder{1033, Generation::GeneralLegacy},
          SortOrder{1033, Generation::General2010}, SortOrder{1053, Generation::General2010}}) {
        EXPECT_EQ(FromCollationName(CollationName(order)), order) << CollationName(order);
    }
    EXPECT_EQ(FromCollationName("BINARY"), std::nullopt);
    EXPECT_EQ(FromCollationName("kestrova_lcid_x"), std::nullopt);
    EXPECT_EQ(FromColumnDefinition(1033, true, 0).generation, Generation::General1997);
    EXPECT_EQ(FromColumnDefinition(1033, false, 0).generation, Generation::GeneralLegacy);
    EXPECT_EQ(FromColumnDefinition(1033, false, 1).generation, Generation::General2010);
}

}  // namespace
}  // namespace kestrova::platform::textorder
