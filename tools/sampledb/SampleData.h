#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::sampledb {

struct Customer {
    int id;
    std::string companyName;
    std::string contactName;
    std::string city;
    std::string phone;
};

struct Product {
    int id;
    std::string type;
    std::string name;
    std::int64_t listPriceCents;
};

struct Order {
    int id;
    int customerId;
    std::string orderDate;  // YYYY-MM-DD
    std::optional<std::string> purchaseOrderNumber;
};

struct OrderDetail {
    int orderId;
    int productId;
    int quantity;
    std::int64_t unitPriceCents;
};

struct SampleData {
    std::vector<Customer> customers;
    std::vector<Product> products;
    std::vector<Order> orders;
    std::vector<OrderDetail> details;
};

// Invented, plausible data, the same for the same seed: about ten orders
// per customer and four line items per order, a few customers without
// orders and a few orders without line items, some orders without a
// purchase order number, prices with cents and some whole amounts.
SampleData MakeSampleData(int customerCount, std::uint64_t seed);

}  // namespace kestrova::sampledb
