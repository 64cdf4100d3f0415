#include "platform/deferredpage/DeferredPage.h"

#include <gtest/gtest.h>

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
