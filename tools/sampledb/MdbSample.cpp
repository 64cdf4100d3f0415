#include "tools/sampledb/MdbSample.h"

#include <cstdio>
#include <stdexcept>

#include "tools/jetfile/JetFile.h"

namespace kestrova::sampledb {

namespace {

using jetfile::ColumnType;
using jetfile::Value;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// "YYYY-MM-DD" as the format's date: days since 1899-12-30.
double DateValue(const std::string& isoDate) {
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    if (std::sscanf(isoDate.c_str(), "%d-%u-%u", &year, &month, &day) != 3) {
        throw std::runtime_error("not a date: " + isoDate);
    }
    return static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30));
}

Value Whole(std::int64_t value) {
    return Value(value);
}

Value Money(std::int64_t cents) {
    return Value(cents * 100);
}

}  // namespace

void WriteMdbSample(const std::string& path, const SampleData& data) {
    jetfile::JetFile file;
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
        file.AddRow({Whole(o.id), Whole(o.customerId), DateValue(o.orderDate),
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
