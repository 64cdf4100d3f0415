#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "data/CustomerOrderQuery.h"
#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/App.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/Form1TestAccess.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/data/VariantPrinting.h"

namespace kestrova {
namespace {

using namespace platform;
using Access = Form1TestAccess;

Currency Money(std::int64_t cents) {
    return Currency{cents * 100};
}

Date Day(int year, int month, int day) {
    return Date{year, month, day, 0, 0, 0, false};
}

TEST(CustomerOrderQueryText, ConnectionStringJoinsProviderSourceDirectoryAndFileName) {
    EXPECT_EQ(CustomerDatabaseConnectionString("/opt/kestrova"),
              "Data Provider=LocalStore.4.0;Data Source=/opt/kestrova\\AdvWorks.mdb");
}

// The expected content of the fixture, written out by hand.
struct ExpectedLineItem {
    std::int32_t order;
    std::string product, manufacturer;
    std::int32_t quantity;
    Currency unitPrice, extendedPrice;
};
struct ExpectedOrder {
    std::int32_t id;
    Date date;
    Variant purchaseOrder;
    std::int32_t customer;
    std::vector<ExpectedLineItem> lineItems;
    Variant total;
};
struct ExpectedCustomer {
    std::int32_t id;
    std::string name;
    std::vector<ExpectedOrder> orders;
    Variant owed;
};

std::vector<ExpectedCustomer> ExpectedFixture() {
    return {
        {1,
         "Alpha Cycles",
         {{101,
           Date{2022, 2, 3, 14, 30, 0, true},
           Null{},
           1,
           {{101, "Gloves", "Fox Grip", 3, Money(1500), Money(4500)}},
           Money(4500)},
          {100,
           Day(2021, 5, 1),
           std::string("PO-1"),
           1,
           {{100, "Bike", "Giant Roam", 1, Money(42050), Money(42050)},
            {100, "Bike", "Trek 500", 1, Money(50000), Money(50000)},
            {100, "Helmet", "Bell Star", 2, Money(4999), Money(9998)}},
           Money(102048)}},
         Money(106548)},
        {2,
         "Beta Bikes",
         {{103, Day(2023, 1, 15), std::string("PO-3"), 2, {}, Null{}},
          {102,
           Day(2020, 12, 31),
           std::string("PO-2"),
           2,
           {{102, "Bike", "Trek 500", 2, Money(50000), Money(100000)}},
           Money(100000)}},
         Money(100000)},
        {3, "Gamma Gear", {}, Null{}},
    };
}

void ExpectFields(Recordset& rs,
                  const std::vector<std::pair<std::string, std::int32_t>>& expected) {
    const auto fields = rs.Fields();
    ASSERT_EQ(fields.Count(), static_cast<std::int32_t>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fields.Item(static_cast<std::int32_t>(i)).Name(), expected[i].first);
        EXPECT_EQ(fields.Item(static_cast<std::int32_t>(i)).Type(), expected[i].second);
    }
}

std::shared_ptr<Recordset> Chapter(Recordset& rs, const std::string& name) {
    auto value = rs.Fields().Item(name).Value();
    auto* child = std::get_if<std::shared_ptr<Recordset>>(&value);
    return child ? *child : nullptr;
}

void ExpectLineItems(Recordset& rs, const std::vector<ExpectedLineItem>& expected) {
    ExpectFields(rs, {{"Order #", adInteger},
                      {"Product", adVarWChar},
                      {"Manufacturer", adVarWChar},
                      {"Quantity", adInteger},
                      {"Unit Price", adCurrency},
                      {"Extended Price", adCurrency}});
    for (const auto& item : expected) {
        ASSERT_FALSE(rs.EOF());
        const auto f = rs.Fields();
        EXPECT_EQ(f.Item(0).Value(), Variant(item.order));
        EXPECT_EQ(f.Item(1).Value(), Variant(item.product));
        EXPECT_EQ(f.Item(2).Value(), Variant(item.manufacturer));
        EXPECT_EQ(f.Item(3).Value(), Variant(item.quantity));
        EXPECT_EQ(f.Item(4).Value(), Variant(item.unitPrice));
        EXPECT_EQ(f.Item(5).Value(), Variant(item.extendedPrice));
        rs.MoveNext();
    }
    EXPECT_TRUE(rs.EOF());
}

void ExpectOrders(Recordset& rs, const std::vector<ExpectedOrder>& expected) {
    ExpectFields(rs, {{"Order #", adInteger},
                      {"Order Date", adDate},
                      {"PO #", adVarWChar},
                      {"Cust #", adInteger},
                      {"rsLineItems", adChapter},
                      {"Items On Order", adInteger},
                      {"Order Total", adCurrency}});
    for (const auto& order : expected) {
        ASSERT_FALSE(rs.EOF());
        const auto f = rs.Fields();
        EXPECT_EQ(f.Item(0).Value(), Variant(order.id));
        EXPECT_EQ(f.Item(1).Value(), Variant(order.date));
        EXPECT_EQ(f.Item(2).Value(), order.purchaseOrder);
        EXPECT_EQ(f.Item(3).Value(), Variant(order.customer));
        EXPECT_EQ(f.Item(5).Value(), Variant(static_cast<std::int32_t>(order.lineItems.size())));
        EXPECT_EQ(f.Item(6).Value(), order.total);
        auto lineItems = Chapter(rs, "rsLineItems");
        ASSERT_NE(lineItems, nullptr);
        ExpectLineItems(*lineItems, order.lineItems);
        rs.MoveNext();
    }
    EXPECT_TRUE(rs.EOF());
}

TEST(CustomerOrderQuery, GivesEveryCustomerWithItsOrdersLineItemsAndTotals) {
    testing::FixtureFolder folder;
    folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
    runtime::SetAppPath(folder.Path());
    MemoryBrowser browser;
    Form1 form(browser);
    form.LoadUserData();

    auto& customers = Access::Customers(form);
    ASSERT_NE(customers, nullptr);
    ASSERT_TRUE(customers->IsOpen());
    ExpectFields(*customers, {{"Cust #", adInteger},
                              {"Customer", adVarWChar},
                              {"rsOrders", adChapter},
                              {"Total Amount Owed", adCurrency}});
    for (const auto& customer : ExpectedFixture()) {
        ASSERT_FALSE(customers->EOF());
        const auto f = customers->Fields();
        EXPECT_EQ(f.Item(0).Value(), Variant(customer.id));
        EXPECT_EQ(f.Item(1).Value(), Variant(customer.name));
        EXPECT_EQ(f.Item(3).Value(), customer.owed);
        auto orders = Chapter(*customers, "rsOrders");
        ASSERT_NE(orders, nullptr);
        ExpectOrders(*orders, customer.orders);
        customers->MoveNext();
    }
    EXPECT_TRUE(customers->EOF());
}

TEST(CustomerOrderQuery, EachReadOfAChapterGivesAFreshRecordsetOnItsFirstRow) {
    testing::FixtureFolder folder;
    folder.Database("AdvWorks.mdb", testing::kCustomerOrdersSql);
    runtime::SetAppPath(folder.Path());
    MemoryBrowser browser;
    Form1 form(browser);
    form.LoadUserData();
    auto& customers = Access::Customers(form);
    auto first = Chapter(*customers, "rsOrders");
    first->MoveNext();
    auto second = Chapter(*customers, "rsOrders");
    EXPECT_EQ(second->Fields().Item(0).Value(), Variant(std::int32_t{101}));
    // A field keeps reading its recordset's current row.
    const auto id = customers->Fields().Item(0);
    customers->MoveNext();
    EXPECT_EQ(id.Value(), Variant(std::int32_t{2}));
}

TEST(CustomerOrderQuery, WithoutADatabaseLeavesTheCustomersRecordsetUnopenedAndSaysWhy) {
    testing::FixtureFolder folder;
    runtime::SetAppPath(folder.Path());
    MemoryBrowser browser;
    Form1 form(browser);
    kestrova::testing::DiagnosticsCapture capture;
    form.LoadUserData();
    const std::string diagnostics = capture.Text();
    ASSERT_NE(Access::Customers(form), nullptr);
    EXPECT_FALSE(Access::Customers(form)->IsOpen());
    EXPECT_FALSE(form.DataOpened());
    EXPECT_NE(diagnostics.find("opening the database"), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("AdvWorks.mdb"), std::string::npos) << diagnostics;
    EXPECT_EQ(testing::FolderSnapshot(folder.Path()), "");
}

TEST(CustomerOrderQuery, AMissingColumnFailsTheQueryNotTheProgram) {
    testing::FixtureFolder folder;
    folder.Database("AdvWorks.mdb",
                    "CREATE TABLE Customers (CustomerID INTEGER, Name TEXT);"
                    "CREATE TABLE Orders (OrderID, CustomerID, OrderDate, PurchaseOrderNumber);"
                    "CREATE TABLE Order_Details (OrderID, ProductID, Quantity, UnitPrice);"
                    "CREATE TABLE Products (ProductID, ProductType, ProductName);");
    runtime::SetAppPath(folder.Path());
    MemoryBrowser browser;
    Form1 form(browser);
    kestrova::testing::DiagnosticsCapture capture;
    form.LoadUserData();
    const std::string diagnostics = capture.Text();
    EXPECT_FALSE(Access::Customers(form)->IsOpen());
    EXPECT_NE(diagnostics.find("CompanyName"), std::string::npos) << diagnostics;
}

}  // namespace
}  // namespace kestrova
