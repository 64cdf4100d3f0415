#include "platform/deferredpage/DeferredPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/deferredpage/StartTags.h"

namespace kestrova::platform::deferred {
namespace {

// Puts the contents back where they were left out: the page again.
std::string Joined(const DeferredPage& split, std::string_view page) {
    std::string text;
    std::size_t first = 0;
    std::size_t previousEnd = 0;
    for (const auto& division : split.Divisions()) {
        const std::size_t before = division.offset - previousEnd;
        text.append(split.FirstText().substr(first, before));
        first += before;
        text.append(page.substr(division.offset, division.length));
        previousEnd = division.offset + division.length;
    }
    text.append(split.FirstText().substr(first));
    return text;
}

struct SplitCase {
    const char* what;
    std::string page;
    std::string firstText;
    std::vector<std::string> ids;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, LeavesOutTheContentOfHiddenDivisionsAndNothingElse) {
    const auto& c = GetParam();
    const auto split = DeferredPage::Split(c.page);
    EXPECT_EQ(split.FirstText(), c.firstText) << c.what;
    std::vector<std::string> ids;
    for (const auto& division : split.Divisions()) {
        ids.push_back(division.id);
    }
    EXPECT_EQ(ids, c.ids) << c.what;
    EXPECT_EQ(Joined(split, c.page), c.page) << c.what;
}

std::vector<std::string> IdsOf(const std::vector<DeferredDivision>& divisions) {
    std::vector<std::string> ids;
    for (const auto& division : divisions) {
        ids.push_back(division.id);
    }
    return ids;
}

// Whatever the size of the parts, they are together the page split as
// one: the same text first built, the same contents left out; or else a
// part refuses an id that the one split keeps whole.
TEST_P(SplitTest, InPartsGivesWhatOneSplitGives) {
    const auto& c = GetParam();
    const auto whole = DeferredPage::Split(c.page);
    const auto wholeIds = IdsOf(whole.Divisions());
    for (std::size_t bytes = 1; bytes <= c.page.size() + 1; ++bytes) {
        PartSplitter splitter(c.page);
        std::string firstText;
        std::vector<DeferredDivision> divisions;
        bool refused = false;
        while (!splitter.AtEnd() && !refused) {
            const auto part = splitter.Next(bytes);
            refused = !part;
            if (part) {
                ASSERT_LE(part->End(), c.page.size());
                firstText += part->FirstText();
                divisions.insert(divisions.end(), part->Divisions().begin(),
                                 part->Divisions().end());
            }
        }
        const auto ids = IdsOf(divisions);
        if (refused) {
            EXPECT_TRUE(std::any_of(ids.begin(), ids.end(),
                                    [&](const auto& id) {
                                        return std::find(wholeIds.begin(), wholeIds.end(), id) ==
                                               wholeIds.end();
                                    }))
                << c.what << ", parts of " << bytes;
            continue;
        }
        EXPECT_EQ(firstText, whole.FirstText()) << c.what << ", parts of " << bytes;
        EXPECT_EQ(ids, wholeIds) << c.what << ", parts of " << bytes;
    }
}

// A page split while it is still written, given in stretches that end
// anywhere, even inside a tag or a hidden division, gives what one split
// of the whole page gives, whatever the size of the parts.
TEST_P(SplitTest, WhileItIsWrittenGivesWhatOneSplitOfTheWholePageGives) {
    const auto& c = GetParam();
    const auto whole = DeferredPage::Split(c.page);
    const auto wholeIds = IdsOf(whole.Divisions());
    for (std::size_t stretch = 1; stretch <= c.page.size(); ++stretch) {
        for (const std::size_t bytes : {std::size_t{1}, std::size_t{7}, c.page.size() + 1}) {
            PartSplitter splitter(std::string_view(c.page).substr(0, stretch), PageEnd::NotYet);
            std::string firstText;
            std::vector<DeferredDivision> divisions;
            bool refused = false;
            for (std::size_t given = stretch; !splitter.AtEnd() && !refused;) {
                const auto part = splitter.Next(bytes);
                if (part) {
                    firstText += part->FirstText();
                    divisions.insert(divisions.end(), part->Divisions().begin(),
                                     part->Divisions().end());
                    continue;
                }
                refused = !splitter.Waiting();
                ASSERT_TRUE(refused || given <= c.page.size()) << c.what;
                given = std::min(given + stretch, c.page.size());
                splitter.Grow(std::string_view(c.page).substr(0, given),
                              given == c.page.size() ? PageEnd::Known : PageEnd::NotYet);
            }
            if (refused) {
                continue;  // as when split in parts of the whole page
            }
            EXPECT_EQ(firstText, whole.FirstText())
                << c.what << ", stretches of " << stretch << ", parts of " << bytes;
            EXPECT_EQ(IdsOf(divisions), wholeIds)
                << c.what << ", stretches of " << stretch << ", parts of " << bytes;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SplitTest,
    ::testing::Values(
        SplitCase{"a hidden division",
                  "<td><div id=\"divCustomer1\" style=\"display:none\"><table>x</table></div></td>",
                  "<td><div id=\"divCustomer1\" style=\"display:none\"></div></td>",
                  {"divCustomer1"}},
        SplitCase{"nested divisions go with the outer one",
                  "<div id=a style='display: NONE;'><div id=b style=display:none>y</div>"
                  "<div>z</div></div>after<div id=c style=\"display:none\">w</div>",
                  "<div id=a style='display: NONE;'></div>after"
                  "<div id=c style=\"display:none\"></div>",
                  {"a", "c"}},
        SplitCase{"shown divisions and divisions without an id stay",
                  "<div id=a>1</div><div style=\"display:none\">2</div>"
                  "<div id=\"\" style=\"display:none\">3</div>",
                  "<div id=a>1</div><div style=\"display:none\">2</div>"
                  "<div id=\"\" style=\"display:none\">3</div>",
                  {}},
        SplitCase{"a division that is never closed stays",
                  "<div id=a style=\"display:none\"><table>",
                  "<div id=a style=\"display:none\"><table>",
                  {}},
        SplitCase{
            "two divisions with one id both stay",
            "<div id=a style=\"display:none\">1</div><div id=a style=\"display:none\">2</div>",
            "<div id=a style=\"display:none\">1</div><div id=a style=\"display:none\">2</div>",
            {}},
        SplitCase{"tags in comments, raw text and attribute values are no tags",
                  "<div id=a style=\"display:none\"><!-- </div> --><style>div{}</div></style>"
                  "<img alt=\"</div>\"></div><p>",
                  "<div id=a style=\"display:none\"></div><p>",
                  {"a"}},
        SplitCase{"an empty hidden division",
                  "<div id=a style=\"display:none\"></div>",
                  "<div id=a style=\"display:none\"></div>",
                  {"a"}},
        SplitCase{"a page without tags", "no markup < here", "no markup < here", {}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(DeferredPageTest, SetsAnAttributeOfAnElementCountedOverTheWholePage) {
    const std::string page =
        "<html><head><base href=\"D:\\0\\4.htm\"></head><body>"
        "<div id=a style=\"display:none\"><base href=x><img src=1></div><img src=2></body>";
    auto split = DeferredPage::Split(page);
    EXPECT_TRUE(split.SetAttribute("BASE", 0, "href", "file:///tmp/a \"b\"&c/"));
    EXPECT_NE(split.FirstText().find("<base href=\"file:///tmp/a &quot;b&quot;&amp;c/\">"),
              std::string::npos)
        << split.FirstText();
    // The second base and the first picture are inside the content left out.
    EXPECT_FALSE(split.SetAttribute("base", 1, "href", "y"));
    EXPECT_FALSE(split.SetAttribute("img", 0, "src", "y"));
    EXPECT_TRUE(split.SetAttribute("img", 1, "src", "z"));
    EXPECT_NE(split.FirstText().find("<img src=\"z\"></body>"), std::string::npos);
    EXPECT_FALSE(split.SetAttribute("img", 2, "src", "y"));
    EXPECT_TRUE(split.SetAttribute("img", 1, "alt", "new"));
    EXPECT_NE(split.FirstText().find("<img src=\"z\" alt=\"new\"></body>"), std::string::npos);
}

// An id left out in a part and used again in a later one would name two
// divisions: the later part says the page must be split as one. Ids used
// twice in a part stay whole wherever they come again.
TEST(DeferredPageTest, APartRefusesAnIdAnEarlierPartLeftOut) {
    const std::string hidden = " style=\"display:none\">12345</div>";
    const std::string again = "<div id=a" + hidden + "<p>" + "<div id=a" + hidden;
    PartSplitter twoOfA(again);
    ASSERT_EQ(twoOfA.Next(10)->End(), again.find("</div>"));
    EXPECT_FALSE(twoOfA.Next(10));

    const std::string thrice = "<div id=a" + hidden + "<div id=a" + hidden + "<div id=a" + hidden;
    std::size_t bytes = 1;
    while (PartSplitter(thrice).Next(bytes)->End() < thrice.rfind("<div")) {
        ++bytes;
    }
    PartSplitter threeOfA(thrice);
    const auto twice = threeOfA.Next(bytes);
    ASSERT_EQ(twice->End(), thrice.rfind("<div"));
    const auto rest = threeOfA.Next(bytes);
    ASSERT_TRUE(rest);
    EXPECT_TRUE(threeOfA.AtEnd());
    EXPECT_TRUE(twice->Divisions().empty());
    EXPECT_TRUE(rest->Divisions().empty());
    EXPECT_EQ(twice->FirstText() + rest->FirstText(), thrice);

    std::stop_source stop;
    stop.request_stop();
    const std::string two = "<div id=a" + hidden + "<p>" + "<div id=b" + hidden;
    PartSplitter aAndB(two);
    ASSERT_TRUE(aAndB.Next(10));
    EXPECT_FALSE(aAndB.Next(10, stop.get_token()));
    EXPECT_TRUE(aAndB.Next(10));
}

TEST(DeferredPageTest, AWholePageKeepsEverything) {
    const std::string page = "<div id=a style=\"display:none\">1</div>";
    auto whole = DeferredPage::Whole(page);
    EXPECT_EQ(whole.FirstText(), page);
    EXPECT_TRUE(whole.Divisions().empty());
}

TEST(StartTagsTest, ReadsAttributesAsTheParserDoes) {
    EXPECT_EQ(AttributeOf(" ID='x' style = \"a b\" checked", "style"), "a b");
    EXPECT_EQ(AttributeOf(" id=x style=y", "id"), "x");
    EXPECT_EQ(AttributeOf(" checked id=x", "checked"), "");
    EXPECT_EQ(AttributeOf(" id=x", "style"), std::nullopt);
    EXPECT_EQ(AttributeOf(" id=x id=y", "id"), "x");  // the first one counts
}

}  // namespace
}  // namespace kestrova::platform::deferred
