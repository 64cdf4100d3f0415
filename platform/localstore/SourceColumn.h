#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kestrova::platform::sql {

// The table and column a result column of a SELECT statement reads as it
// stands ("Orders", "CustomerID" for "Orders.CustomerID AS [Cust #]",
// "Order_Details", "OrderID" for "od.OrderID" of "FROM Order_Details od"),
// names unquoted; nullopt when the result column `name` is computed, not
// found, or its table is not plain to see.
std::optional<std::pair<std::string, std::string>> SourceColumn(std::string_view statement,
                                                                std::string_view name);

}  // namespace kestrova::platform::sql
