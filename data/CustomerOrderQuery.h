#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kestrova {

// The customer order query: customers, each with its orders (newest
// first), each with its line items (by product type and name), and the
// totals. Written as pieces that each start with their own blanks and are
// joined with nothing between them.
inline constexpr std::array<std::string_view, 42> kCustomerOrderQueryPieces = {
    "        SHAPE (",
    "       SHAPE",
    "       {",
    "         SELECT CustomerID AS [Cust #],",
    "             CompanyName AS Customer",
    "         FROM Customers",
    "       }",
    "       APPEND",
    "       (",
    "         (",
    "           SHAPE",
    "           {",
    "             SELECT OrderID AS [Order #],",
    "                 OrderDate AS [Order Date],",
    "                 PurchaseOrderNumber AS [PO #],",
    "                 Orders.CustomerID AS [Cust #]",
    "             FROM Orders",
    "             ORDER BY OrderDate DESC",
    "           }",
    "           APPEND",
    "           (",
    "             {",
    "               SELECT od.OrderID AS [Order #],",
    "                   p.ProductType AS [Product],",
    "                   p.ProductName AS [Manufacturer],",
    "                   od.Quantity,",
    "                   od.UnitPrice AS [Unit Price],",
    "                   (od.UnitPrice * od.Quantity)",
    "                   AS [Extended Price]",
    "               FROM Order_Details od INNER JOIN Products p",
    "                   ON od.ProductID = p.ProductID",
    "               ORDER BY p.ProductType, p.ProductName",
    "             }",
    "             RELATE [Order #] TO [Order #]",
    "           ) AS rsLineItems,",
    "           COUNT(rsLineItems.Product) AS [Items On Order],",
    "           SUM(rsLineItems.[Extended Price])",
    "           AS [Order Total]",
    "         ) RELATE [Cust #] TO [Cust #]",
    "       ) AS rsOrders,",
    "       SUM(rsOrders.[Order Total]) AS [Total Amount Owed]",
    "     ) AS rsCustomers",
};

// The pieces joined, in order.
std::string CustomerOrderQuery();

// The connection string for the database file in `applicationDirectory`.
std::string CustomerDatabaseConnectionString(const std::string& applicationDirectory);

}  // namespace kestrova
