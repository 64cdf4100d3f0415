#include "tools/sampledb/MdbSample.h"

#include <stdexcept>

#include "tools/jetfile/JetFile.h"

namespace kestrova::sampledb {

namespace {

using jetfile::ColumnType;
using jetfile::Value;

Value OrderDate(const std::string& isoDate) {
    const auto days = jetfile::DateValue(isoDate);
    if (!days) {
        throw std::runtime_error("not a date: " + isoDate);
    }
    return *days;
}

Value Whole(std::int64_t value) {
    return Value(value);
}

Value Money(std::int64_t cents) {
    return Value(cents * 100);
}

}  // namespace

void WriteMdbSample(const std::string& path, const SampleData& data,
                    const MdbProtection& protection) {
    jetfile::JetFile file;
    file.EncodePages(protection.pageKey);
    file.SetPassword(protection.password);
    file.BeginTable("Customers", {{"CustomerID", ColumnType::Long},
                                  {"CompanyName", ColumnType::Text},
                                  {"ContactName", ColumnType::Text},
                                  {"City", ColumnType::Text},
                                  {"Phone", ColumnType::Text}});
    for (const auto& c : data.customers) {
        file.AddRow({Whole(c.id), c.companyName, c.contactName, c.city, c.phone});
    }
    file.BeginTable("Products", {{"ProductID", ColumnType::Long},
                                 {"ProductType", ColumnType::Text},
                                 {"ProductName", ColumnType::Text},
                                 {"ListPrice", ColumnType::Currency}});
    for (const auto& p : data.products) {
        file.AddRow({Whole(p.id), p.type, p.name, Money(p.listPriceCents)});
    }
    file.BeginTable("Orders", {{"OrderID", ColumnType::Long},
                               {"CustomerID", ColumnType::Long},
                               {"OrderDate", ColumnType::DateTime},
                               {"PurchaseOrderNumber", ColumnType::Text}});
    for (const auto& o : data.orders) {
        file.AddRow({Whole(o.id), Whole(o.customerId), OrderDate(o.orderDate),
                     o.purchaseOrderNumber ? Value(*o.purchaseOrderNumber) : Value()});
    }
    file.BeginTable("Order_Details", {{"OrderID", ColumnType::Long},
                                      {"ProductID", ColumnType::Long},
                                      {"Quantity", ColumnType::Long},
                                      {"UnitPrice", ColumnType::Currency}});
    for (const auto& d : data.details) {
        file.AddRow(
            {Whole(d.orderId), Whole(d.productId), Whole(d.quantity), Money(d.unitPriceCents)});
    }
    file.Save(path);
}

}  // namespace kestrova::sampledb
