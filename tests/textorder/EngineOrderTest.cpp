#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/textorder/GeneralOrder.h"
#include "platform/textorder/TextOrder.h"
#include "tests/textorder/EngineOrderList.h"

// General Legacy and General sort the engine's own lists of texts in the
// lists' order: every character of the code page alone, inside a word and
// beside a letter, and mixed texts. The lists, not a reading of any
// document, are the proof.

namespace kestrova::platform::textorder {
namespace {

struct EngineList {
    const char* file;
    Generation generation;
};

class EngineOrder : public ::testing::TestWithParam<EngineList> {};

INSTANTIATE_TEST_SUITE_P(
    Lists, EngineOrder,
    ::testing::Values(EngineList{"general-legacy.txt", Generation::GeneralLegacy},
                      EngineList{"general.txt", Generation::General2010}),
    [](const auto& info) {
        return info.param.generation == Generation::GeneralLegacy ? "GeneralLegacy" : "General";
    });

int Sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

std::string Shown(const testing::ListedText& listed) {
    return std::to_string(listed.group) + " '" + listed.text + "'";
}

// Each text sorts after the one before it, or with it where the list gives
// both one group: by keys and by the comparison statements use.
TEST_P(EngineOrder, EachTextSortsWhereTheEnginePutsIt) {
    const auto list = testing::EngineOrderList(GetParam().file);
    ASSERT_EQ(list.size(), 2378U);
    GeneralOrder keys(GetParam().generation);
    std::string note;
    const auto order = MakeTextOrder({SortOrder::kGeneral, GetParam().generation}, note);
    int misplaced = 0;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const auto& before = list[i - 1];
        const auto& after = list[i];
        const int expected = before.group == after.group ? 0 : -1;
        const int byKeys = Sign(keys.Key(before.text).compare(keys.Key(after.text)));
        const int compared = Sign(order->Compare(before.text, after.text));
        if (byKeys != expected || compared != expected) {
            ADD_FAILURE() << Shown(before) << " then " << Shown(after) << ": keys " << byKeys
                          << ", comparison " << compared;
            if (++misplaced == 20) {
                return;
            }
        }
    }
}

// The quick comparison of ASCII text gives the keys' answer wherever it
// gives one, and gives none only where the first level leaves the texts
// equal or holds more than ASCII.
TEST_P(EngineOrder, TheQuickComparisonAgreesWithTheKeysOnEveryNeighbour) {
    const auto list = testing::EngineOrderList(GetParam().file);
    GeneralOrder keys(GetParam().generation);
    const auto firstLevel = [&](const std::string& text) {
        const std::string key = keys.Key(text);
        return key.substr(0, key.find('\x01'));
    };
    int decided = 0;
    for (std::size_t i = 1; i < list.size(); ++i) {
        for (const auto& [a, b] : {std::pair{list[i - 1].text, list[i].text},
                                   std::pair{list[i].text, list[i - 1].text}}) {
            const auto quick = keys.CompareAscii(a, b);
            if (quick) {
                ++decided;
                ASSERT_EQ(Sign(*quick), Sign(keys.Key(a).compare(keys.Key(b))))
                    << "'" << a << "' '" << b << "'";
                continue;
            }
            const std::string both = a + b;
            const bool ascii =
                std::all_of(both.begin(), both.end(), [](char c) { return (c & 0x80) == 0; });
            if (ascii) {
                ASSERT_EQ(firstLevel(a), firstLevel(b)) << "'" << a << "' '" << b << "'";
            }
        }
    }
    EXPECT_GT(decided, 100);
}

}  // namespace
}  // namespace kestrova::platform::textorder
