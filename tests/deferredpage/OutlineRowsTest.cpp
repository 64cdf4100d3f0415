#include "platform/deferredpage/OutlineRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/deferredpage/DeferredPage.h"
#include "tests/render/ExpectedPage.h"

// The outline's rows are found in the text the view builds first, however
// that text is cut into parts: each customer's block, the frame around
// them, and the customers whose cells are widest.

namespace kestrova::platform::deferred {
namespace {

// A page of `customers` customers as start-up writes it, the second with
// orders; customer 7 has the longest name, customer 3 the widest total.
std::string OutlinePage(int customers) {
    testing::ExpectedOutline outline = testing::CustomerOrderOutline("/apps/k");
    for (int c = 1; c <= customers; ++c) {
        testing::ExpectedCustomer customer;
        const std::string name =
            c == 7 ? "Wide &amp; Mighty Wheelworks Limited" : "Shop " + std::to_string(c);
        customer.values = {std::to_string(c), name, c == 3 ? "$1,000,000.00" : "$5.00"};
        if (c == 2) {
            customer.orders = {{{"100", "5/1/2021", "PO-1", "2", "1", "$5.00"},
                                {{"100", "Bike", "Trek <500>", "1", "$5.00", "$5.00"}}}};
        }
        outline.customers.push_back(customer);
    }
    return "\r\n" + testing::ExpectedHead() + testing::ExpectedBody(outline) + "\r\n</body></html>";
}

std::string FirstText(int customers) {
    return DeferredPage::Split(OutlinePage(customers)).FirstText();
}

// Reads the text in parts of `bytes` bytes, each kept alive in `parts`.
OutlineRows ReadInParts(const std::string& text, std::size_t bytes,
                        std::vector<std::string>& parts) {
    for (std::size_t at = 0; at < text.size(); at += bytes) {
        parts.push_back(text.substr(at, bytes));
    }
    OutlineRows rows;
    for (const auto& part : parts) {
        rows.Read(part);
    }
    return rows;
}

TEST(OutlineRows, FindsEachCustomersBlockAndTheFrameInPartsOfAnySize) {
    const std::string text = FirstText(12);
    for (const std::size_t bytes :
         {std::size_t{1}, std::size_t{7}, std::size_t{100}, std::size_t{4096}, text.size()}) {
        SCOPED_TRACE("parts of " + std::to_string(bytes) + " bytes");
        std::vector<std::string> parts;
        const OutlineRows rows = ReadInParts(text, bytes, parts);
        ASSERT_EQ(rows.Blocks(), 12U);
        ASSERT_TRUE(rows.TableEnd());
        std::string joined = rows.Text({0, 0}, rows.Start(0));
        for (std::size_t block = 0; block < rows.Blocks(); ++block) {
            const std::string markup = rows.Markup(block, block + 1);
            const std::string n = std::to_string(block + 1);
            EXPECT_EQ(markup.rfind("<tr", 0), 0U) << markup.substr(0, 40);
            EXPECT_NE(markup.find("name=\"imgCustomer" + n + "\""), std::string::npos);
            EXPECT_NE(markup.find("id=\"divCustomer" + n + "\""), std::string::npos);
            EXPECT_EQ(markup.find("imgCustomer" + std::to_string(block + 2) + "\""),
                      std::string::npos);
            joined += markup;
        }
        const std::string tail = rows.Text(*rows.TableEnd(), rows.ReadEnd());
        EXPECT_EQ(tail.rfind("</table>", 0), 0U);
        EXPECT_EQ(joined + tail, text);
        EXPECT_EQ(rows.Markup(3, 6), rows.Markup(3, 4) + rows.Markup(4, 5) + rows.Markup(5, 6));
    }
}

// While the text still comes, only blocks whose end has come count, and a
// row that may still turn out to be a customer's is not settled.
TEST(OutlineRows, CountsABlockOnlyOnceItsEndHasComeAndHoldsBackARowNotYetKnown) {
    const std::string text = FirstText(3);
    const auto third = text.find("<tr bgcolor=\"#ffffff\">", text.find("imgCustomer2"));
    const auto picture = text.find("imgCustomer3");
    ASSERT_NE(third, std::string::npos);
    std::vector<std::string> parts = {text.substr(0, third + 30),
                                      text.substr(third + 30, picture - third - 30),
                                      text.substr(picture)};
    OutlineRows rows;
    rows.Read(parts[0]);
    EXPECT_EQ(rows.Begun(), 2U);
    EXPECT_EQ(rows.Blocks(), 1U);
    EXPECT_EQ(rows.Settled(), (PartPlace{0, third}));
    rows.Read(parts[1]);
    EXPECT_EQ(rows.Settled(), (PartPlace{0, third}));
    rows.Read(parts[2]);
    EXPECT_EQ(rows.Begun(), 3U);
    EXPECT_EQ(rows.Start(2), (PartPlace{0, third}));
    EXPECT_EQ(rows.Blocks(), 3U);
    EXPECT_EQ(rows.Settled(), rows.ReadEnd());
}

TEST(OutlineRows, KeepsTheBlocksWhoseCellsAreWidestInEachColumn) {
    const std::string text = FirstText(30);
    std::vector<std::string> parts;
    OutlineRows rows = ReadInParts(text, 333, parts);
    EXPECT_TRUE(rows.WidestChanged());
    EXPECT_FALSE(rows.WidestChanged());
    const auto widest = rows.Widest();
    ASSERT_EQ(widest.size(), 5U);      // picture, separator and three values
    EXPECT_EQ(widest[3].front(), 6U);  // the long name of customer 7
    EXPECT_EQ(widest[4].front(), 2U);  // the total of customer 3
    EXPECT_EQ(widest[3].size(), OutlineRows::kWidest);
}

// Pages without the outline's table have no blocks: everything is frame.
TEST(OutlineRows, FindsNoBlocksOutsideATableOrWithoutCustomerPictures) {
    for (const std::string& page :
         {std::string("<p><img name=\"imgCustomer1\" src=\"a.gif\"></p>"),
          std::string("<table><tr><td><img name=\"imgOrder1\"></td></tr></table>"),
          std::string("<table><tr><td>no pictures</td></tr>")}) {
        OutlineRows rows;
        rows.Read(page);
        EXPECT_EQ(rows.Blocks(), 0U) << page;
        EXPECT_EQ(rows.Settled(), rows.ReadEnd()) << page;
    }
}

}  // namespace
}  // namespace kestrova::platform::deferred
