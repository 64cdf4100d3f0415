#include <gtest/gtest.h>

#include <string>

#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/App.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/Form1TestAccess.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/render/ExpectedPage.h"
#include "tests/render/LocaleOverride.h"

namespace kestrova {
namespace {

using namespace platform;
using Access = Form1TestAccess;
using testing::ExpectedOutline;

constexpr const char* kPm =
    "\xe2\x80\xaf"
    "PM";

using testing::ExpectedHead;

ExpectedOutline FixtureOutline(const std::string& directory) {
    ExpectedOutline outline = testing::CustomerOrderOutline(directory);
    outline.customers = {
        {{"1", "Alpha Cycles", "$1,065.48"},
         {{{"101", std::string("2/3/2022 2:30:00") + kPm, "", "1", "1", "$45.00"},
           {{"101", "Gloves", "Fox Grip", "3", "$15.00", "$45.00"}}},
          {{"100", "5/1/2021", "PO-1", "1", "3", "$1,020.48"},
           {{"100", "Bike", "Giant Roam", "1", "$420.50", "$420.50"},
            {"100", "Bike", "Trek 500", "1", "$500.00", "$500.00"},
            {"100", "Helmet", "Bell Star", "2", "$49.99", "$99.98"}}}}},
        {{"2", "Beta Bikes", "$1,000.00"},
         {{{"103", "1/15/2023", "PO-3", "2", "0", ""}, {}},
          {{"102", "12/31/2020", "PO-2", "2", "1", "$1,000.00"},
           {{"102", "Bike", "Trek 500", "2", "$500.00", "$1,000.00"}}}}},
        {{"3", "Gamma Gear", ""}, {}},
    };
    return outline;
}

TEST(OutlinePage, IsTheHeadTheThreeTablesAndTheClosingTagsByteForByte) {
    testing::LocaleOverride locale({{"LC_ALL", "en_US.UTF-8"}});
    testing::FixtureFolder folder;
    folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
    runtime::SetAppPath(folder.Path());
    MemoryBrowser browser;
    Form1 form(browser);
    form.ShowOutlinePage();

    const std::string expected = "\r\n" + ExpectedHead() +
                                 testing::ExpectedBody(FixtureOutline(folder.Path())) +
                                 "\r\n</body></html>";
    const std::string_view page = browser.CurrentDocument()->WrittenText();
    EXPECT_EQ(page.size(), expected.size());
    // Compare line by line first, for a readable message.
    std::size_t at = 0;
    while (at < expected.size() && at < page.size() && expected[at] == page[at]) {
        ++at;
    }
    const std::size_t lineStart =
        expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at);
    EXPECT_EQ(page.substr(lineStart, 120), expected.substr(lineStart, 120))
        << "first difference at " << at;
    EXPECT_TRUE(page == expected);
    EXPECT_EQ(Access::Orders(form) != nullptr, true);
    EXPECT_TRUE(Access::Customers(form)->EOF());
}

// A customers level made in memory, so that any shape of data can be drawn.
struct LevelBuilder {
    std::shared_ptr<Table> table = std::make_shared<Table>();
    LevelBuilder& Column(std::string name, std::int32_t type, std::vector<Variant> values) {
        table->rowCount = values.size();
        table->columns.push_back(
            platform::Column{std::move(name), type, platform::ColumnValues(values), std::nullopt});
        return *this;
    }
    // A chapter field whose every row has no children.
    LevelBuilder& EmptyChapter(std::string name) {
        auto child = std::make_shared<Table>();
        child->columns.push_back(platform::Column{"x", adInteger, {}, std::nullopt});
        Chapter chapter{child, std::vector<std::uint32_t>(table->rowCount + 1, 0), {}};
        table->columns.push_back(platform::Column{std::move(name), adChapter, {}, chapter});
        return *this;
    }
};

struct RenderOutlineTest : ::testing::Test {
    RenderOutlineTest() {
        runtime::SetAppPath("/apps/k");
        Access::ResetText(form);
    }
    std::string Render(std::shared_ptr<Recordset> customers) {
        Access::Customers(form) = std::move(customers);
        kestrova::testing::DiagnosticsCapture capture;
        std::string body = Access::RenderOutline(form);
        diagnostics = capture.Text();
        return body;
    }
    testing::LocaleOverride locale{{"LC_ALL", "en_US.UTF-8"}};
    MemoryBrowser browser;
    Form1 form{browser};
    std::string diagnostics;
};

TEST_F(RenderOutlineTest, AnUnopenedRecordsetGivesTheEmptyFrameWithoutHeadings) {
    ExpectedOutline empty;
    EXPECT_EQ(Render(std::make_shared<Recordset>()), testing::ExpectedBody(empty));
    EXPECT_NE(diagnostics.find("not open"), std::string::npos);
    EXPECT_EQ(Access::Length(form), 0);
    EXPECT_EQ(Access::Capacity(form), 255);
}

TEST_F(RenderOutlineTest, AChapterFieldMakesNoCellAndTheFieldsAfterItKeepTheirOrder) {
    LevelBuilder level;
    level.Column("A", adInteger, {std::int32_t{7}})
        .EmptyChapter("rsOrders")
        .Column("B", adVarWChar, {std::string("after")});
    ExpectedOutline expected;
    expected.applicationDirectory = "/apps/k";
    expected.customerHeadings = {"A", "B"};
    expected.customerFieldCount = 3;
    expected.customers = {{{"7", "after"}, {}}};
    EXPECT_EQ(Render(RecordsetOver(level.table)), testing::ExpectedBody(expected));
}

TEST_F(RenderOutlineTest, NamesAndValuesAreEscapedAndNullsLeaveTheCellEmpty) {
    LevelBuilder level;
    level
        .Column("<b>Name & co</b>", adVarWChar,
                {std::string("</table><script>alert(1)</script>"), Null{}})
        .Column("Owed", adCurrency, {Null{}, Currency{10000}});
    ExpectedOutline expected;
    expected.applicationDirectory = "/apps/k";
    expected.customerHeadings = {"&lt;b&gt;Name &amp; co&lt;/b&gt;", "Owed"};
    expected.customerFieldCount = 2;
    expected.customers = {{{"&lt;/table&gt;&lt;script&gt;alert(1)&lt;/script&gt;", ""}, {}},
                          {{"", "$1.00"}, {}}};
    EXPECT_EQ(Render(RecordsetOver(level.table)), testing::ExpectedBody(expected));
    // Without a chapter named rsOrders every customer shows the no-orders note.
    EXPECT_NE(diagnostics.find("rsOrders"), std::string::npos);
}

TEST_F(RenderOutlineTest, AValueWithoutTextKeepsItsCellButHasNoValueLine) {
    LevelBuilder level;
    level.Column("Odd", adInteger, {Variant(std::make_shared<Recordset>())});
    const std::string body = Render(RecordsetOver(level.table));
    const std::string cell =
        "\r\n             <font size=\"3\" color=\"#000080\">"
        "\r\n             </font>";
    EXPECT_NE(body.find(cell), std::string::npos);
    EXPECT_NE(diagnostics.find("rendering a value"), std::string::npos);
}

TEST_F(RenderOutlineTest, ASecondCallOnTheSameRecordsetRendersNoRows) {
    LevelBuilder level;
    level.Column("A", adInteger, {std::int32_t{1}, std::int32_t{2}});
    auto customers = RecordsetOver(level.table);
    const std::string first = Render(customers);
    EXPECT_NE(first.find("imgCustomer2\""), std::string::npos);
    const std::string second = Render(customers);
    ExpectedOutline expected;
    expected.customerHeadings = {"A"};
    EXPECT_EQ(second, testing::ExpectedBody(expected));
}

TEST_F(RenderOutlineTest, MoneyFollowsTheRegionalSettings) {
    testing::LocaleOverride german({{"LC_ALL", "de_DE.UTF-8"}});
    LevelBuilder level;
    level.Column("Owed", adCurrency, {Currency{12345000}})
        .Column("When", adDate, {Date{1998, 3, 14, 0, 0, 0, false}});
    const std::string body = Render(RecordsetOver(level.table));
    EXPECT_NE(body.find("\r\n             1.234,50\xc2\xa0€\r\n"), std::string::npos);
    EXPECT_NE(body.find("\r\n             14.3.1998\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kestrova
