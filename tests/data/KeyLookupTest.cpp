#include "platform/localstore/KeyLookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/localstore/LocalStore.h"
#include "platform/localstore/SourceColumn.h"
#include "platform/recordset/Recordset.h"
#include "tests/data/CompactRows.h"
#include "tests/data/FixtureDatabase.h"

// A level's rows for some keys are found through an index only where they
// come in the order the whole statement gives them, ties included.

namespace kestrova::platform {
namespace {

using sql::LookupKey;
using sql::WithKeysIn;

TEST(KeyLookup, CutsAPlainSelectDownToTheKeysOfOneColumn) {
    const std::vector<LookupKey> keys = {std::int64_t{3}, std::string("O'Brien")};
    EXPECT_EQ(WithKeysIn("SELECT a AS [A], t.b AS B FROM t ORDER BY a", 1, 2, keys),
              "SELECT a AS [A], t.b AS B FROM t  WHERE (t.b) IN (3, 'O''Brien') ORDER BY a");
    EXPECT_EQ(
        WithKeysIn("SELECT a, b FROM t JOIN u ON t.x = u.x WHERE a > (1) ORDER BY a;", 0, 2, keys),
        "SELECT a, b FROM t JOIN u ON t.x = u.x WHERE ( a > (1) ) AND (a) IN (3, "
        "'O''Brien') ORDER BY a;");
    EXPECT_EQ(WithKeysIn("SELECT a FROM t", 0, 1, {}), "SELECT a FROM t WHERE (a) IN () ");
    // Rows the condition would change otherwise, or columns not one to one.
    for (const char* statement :
         {"SELECT DISTINCT a FROM t", "SELECT a FROM t GROUP BY a", "SELECT a FROM t LIMIT 5",
          "SELECT a FROM t UNION SELECT b FROM u", "WITH x AS (SELECT 1) SELECT * FROM x",
          "SELECT * FROM t", "VALUES (1)"}) {
        EXPECT_EQ(WithKeysIn(statement, 0, 1, keys), std::nullopt) << statement;
    }
    EXPECT_EQ(WithKeysIn("SELECT a FROM t", 0, 1, {std::string("a\0b", 3)}), std::nullopt);
}

TEST(KeyLookup, NamesTheTableAndColumnAResultColumnReads) {
    using Source = std::optional<std::pair<std::string, std::string>>;
    const std::string orders =
        "SELECT OrderID AS [Order #], OrderDate AS [Order Date], Orders.CustomerID AS [Cust #] "
        "FROM Orders ORDER BY OrderDate DESC";
    EXPECT_EQ(sql::SourceColumn(orders, "Cust #"), Source({"Orders", "CustomerID"}));
    EXPECT_EQ(sql::SourceColumn(orders, "order #"), Source({"Orders", "OrderID"}));
    const std::string items =
        "SELECT od.OrderID AS [Order #], p.ProductType AS [Product], (od.UnitPrice * "
        "od.Quantity) AS [Extended Price] FROM Order_Details od INNER JOIN Products p ON "
        "od.ProductID = p.ProductID ORDER BY p.ProductType";
    EXPECT_EQ(sql::SourceColumn(items, "Order #"), Source({"Order_Details", "OrderID"}));
    EXPECT_EQ(sql::SourceColumn(items, "Product"), Source({"Products", "ProductType"}));
    EXPECT_EQ(sql::SourceColumn(items, "Extended Price"), std::nullopt);  // computed
    EXPECT_EQ(sql::SourceColumn("SELECT a FROM t JOIN u ON t.x = u.x", "a"), std::nullopt);
    EXPECT_EQ(sql::SourceColumn("SELECT a FROM (SELECT 1 AS a)", "a"), std::nullopt);
    EXPECT_EQ(sql::SourceColumn("SELECT \"a\" FROM [my table] AS m", "a"),
              Source({"my table", "a"}));
}

TEST(KeyLookup, TrustsOnlyAPlanThatSearchesTheScannedTableThroughAnIndex) {
    using Plan = std::vector<std::string>;
    const Plan whole = {"SCAN od", "SEARCH p USING INTEGER PRIMARY KEY (rowid=?)",
                        "USE TEMP B-TREE FOR ORDER BY"};
    EXPECT_TRUE(sql::SameOrderThroughAnIndex(
        whole, {"SEARCH od USING INDEX DetailsByOrder (OrderID=?)",
                "SEARCH p USING INTEGER PRIMARY KEY (rowid=?)", "USE TEMP B-TREE FOR ORDER BY"}));
    // Still scanned; scanned in an index's order; another table searched;
    // one sort more.
    EXPECT_FALSE(sql::SameOrderThroughAnIndex(whole, whole));
    EXPECT_FALSE(sql::SameOrderThroughAnIndex(
        {"SCAN od USING INDEX ByProduct"}, {"SEARCH od USING INDEX DetailsByOrder (OrderID=?)"}));
    EXPECT_FALSE(sql::SameOrderThroughAnIndex({"SCAN od"},
                                              {"SEARCH p USING INDEX DetailsByOrder (OrderID=?)"}));
    EXPECT_FALSE(sql::SameOrderThroughAnIndex(
        {"SCAN od"},
        {"SEARCH od USING INDEX DetailsByOrder (OrderID=?)", "USE TEMP B-TREE FOR ORDER BY"}));
}

// A table whose rows sort with ties, indexed by its key, and one not.
constexpr const char* kKeyed = R"sql(
CREATE TABLE Kids (ParentId INTEGER, Name TEXT, Rank INTEGER, Anything);
CREATE TABLE Loose (ParentId INTEGER, Name TEXT, Rank INTEGER, Anything);
CREATE INDEX KidsByParent ON Kids (ParentId);
INSERT INTO Kids VALUES (3, 'c1', 2, 1), (1, 'a1', 1, 'x'), (3, 'c2', 1, 2.5),
                        (2, 'b1', 1, 1), (1, 'a2', 1, 1), (3, 'c3', 2, 1), (1, 'a3', 0, 1),
                        (NULL, 'none', 1, 1), (2, 'b2', 1, 1);
INSERT INTO Loose SELECT * FROM Kids;
)sql";

std::vector<std::string> NamesOf(const Table& table) {
    std::vector<std::string> names;
    for (std::size_t row = 0; row < table.rowCount; ++row) {
        names.push_back(std::get<std::string>(table.Cell(row, 1)) + "@" +
                        std::to_string(*table.columns[0].values.IntegerAt(row)));
    }
    return names;
}

// The rows of `names` whose key (after the "@") is `key`, in their order.
std::vector<std::string> OfKey(const std::vector<std::string>& names, char key) {
    std::vector<std::string> rows;
    for (const auto& name : names) {
        if (name.back() == key) {
            rows.push_back(name);
        }
    }
    return rows;
}

TEST(KeyLookup, FindsEachKeysRowsInTheWholeStatementsOrderOnlyThroughAnIndex) {
    testing::FixtureFolder folder;
    const auto store = LocalStore::Open(folder.Database("kids.db", kKeyed));
    // Ties of Rank keep the table's order, sorted by SQLite or by the
    // key of a name that stands for no column (sorted as text would be).
    for (const char* statement : {"SELECT ParentId AS P, Name FROM Kids ORDER BY Rank",
                                  "SELECT ParentId AS P, Name FROM Kids ORDER BY P"}) {
        SCOPED_TRACE(statement);
        const auto found = store->Lookup(statement, "p", {std::int64_t{1}, std::int64_t{3}});
        ASSERT_TRUE(found && *found);
        const auto whole = NamesOf(*store->Query(statement));
        EXPECT_EQ(NamesOf(**found).size(), 6U);
        EXPECT_EQ(OfKey(NamesOf(**found), '1'), OfKey(whole, '1'));
        EXPECT_EQ(OfKey(NamesOf(**found), '3'), OfKey(whole, '3'));
    }
    const auto none = store->Lookup("SELECT ParentId, Name FROM Kids", "ParentId", {});
    ASSERT_TRUE(none && *none);
    EXPECT_EQ((*none)->rowCount, 0U);
    EXPECT_EQ((*none)->columns.size(), 2U);

    for (const char* unfound :
         {"SELECT ParentId AS P, Name FROM Loose ORDER BY Rank",     // no index
          "SELECT ParentId AS P, Name FROM Kids ORDER BY ParentId",  // read in the index's order
          "SELECT ParentId AS P, Anything FROM Kids",                // a type its rows decide
          "SELECT ParentId AS P, count(*) FROM Kids GROUP BY ParentId"}) {
        EXPECT_EQ(store->Lookup(unfound, "P", {std::int64_t{1}}), std::nullopt) << unfound;
    }
}

}  // namespace
}  // namespace kestrova::platform
