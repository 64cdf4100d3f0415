#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/CustomerOrderQuery.h"
#include "platform/datashape/ShapeParser.h"

namespace kestrova {
namespace {

using platform::shape::Parse;

TEST(ShapeParser, ReadsTheCustomerOrderQueryIntoItsThreeLevels) {
    const auto command = Parse(CustomerOrderQuery());
    ASSERT_TRUE(command.source.shape);
    EXPECT_EQ(command.alias, "rsCustomers");
    const auto& customers = *command.source.shape;
    EXPECT_NE(customers.source.providerCommand.find("FROM Customers"), std::string::npos);
    ASSERT_EQ(customers.items.size(), 2u);
    const auto& orders = std::get<platform::shape::Relation>(customers.items[0]);
    EXPECT_EQ(orders.chapterName, "rsOrders");
    ASSERT_EQ(orders.columnPairs.size(), 1u);
    EXPECT_EQ(orders.columnPairs[0], (std::pair<std::string, std::string>("Cust #", "Cust #")));
    const auto& total = std::get<platform::shape::Aggregate>(customers.items[1]);
    EXPECT_EQ(total.chapter, "rsOrders");
    EXPECT_EQ(total.column, "Order Total");
    EXPECT_EQ(total.name, "Total Amount Owed");
    ASSERT_TRUE(orders.child.shape);
    EXPECT_EQ(orders.child.shape->items.size(), 3u);
}

TEST(ShapeParser, SaysWhereABrokenCommandGoesWrongAndWhatWasExpected) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"SHAPE",
         "at position 6: expected a provider command in braces or a parenthesised SHAPE, found "
         "the end of the command"},
        {"SHAPE {SELECT 1", "at position 7: the provider command has no closing \"}\""},
        {"SHAPE {x} APPEND", "at position 17: expected a relation in parentheses or an aggregate"},
        {"SHAPE {x} APPEND ({y} RELATE a b)", "at position 32: expected TO, found \"b\""},
        {"SHAPE {x} APPEND ({y} RELATE a TO b",
         "at position 36: expected \")\", found the end of the command"},
        {"SHAPE {x} APPEND SUM(c)",
         "at position 23: expected \".\" and a column name, found \")\""},
        {"SHAPE {x} APPEND MEDIAN(c.d)",
         "at position 18: expected a relation in parentheses or an aggregate"},
        {"SHAPE {x} extra stuff",
         "at position 17: expected the end of the command, found \"stuff\""},
        {"SHAPE {x} APPEND ([a RELATE", "at position 19: the name has no closing \"]\""},
        {"SHAPE {x} AS", "at position 13: expected a name after AS, found the end of the command"},
        {"SHAPE {x} ! ", "at position 11: unexpected character \"!\""},
        {"SHAPE (SHAPE {x} APPEND COUNT(c) AS n", "at position 38: expected \")\""},
        {"SHAPE {x} APPEND ({y} RELATE TO TO b)", "at position 30: expected a parent column name"},
    };
    for (const auto& [command, message] : cases) {
        SCOPED_TRACE(command);
        try {
            Parse(command);
            ADD_FAILURE() << "the command was accepted";
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace kestrova
