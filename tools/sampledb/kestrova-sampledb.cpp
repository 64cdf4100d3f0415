// kestrova-sampledb FILE [--customers N] [--seed S] [--format sqlite|mdb]
//                   [--encrypt] [--password WORD] [--force]:
// writes a new database of invented customers, orders, products and line
// items, as a SQLite file (the default) or in the classic .mdb format, whose
// pages --encrypt encodes and which --password protects with a password.

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "tools/sampledb/MdbSample.h"
#include "tools/sampledb/SampleData.h"

namespace {

using kestrova::sampledb::SampleData;

constexpr const char* kSchema = R"sql(
CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, CompanyName TEXT, ContactName TEXT,
                        City TEXT, Phone TEXT);
CREATE TABLE Products (ProductID INTEGER PRIMARY KEY, ProductType TEXT, ProductName TEXT,
                       ListPrice CURRENCY);
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER, OrderDate DATETIME,
                     PurchaseOrderNumber TEXT);
CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER, Quantity INTEGER,
                            UnitPrice CURRENCY);
CREATE INDEX OrdersByCustomer ON Orders (CustomerID);
CREATE INDEX DetailsByOrder ON Order_Details (OrderID);
)sql";

struct Closer {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

void Check(sqlite3* database, int result, const char* what) {
    if (result != SQLITE_OK && result != SQLITE_DONE) {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(database));
    }
}

Statement Prepare(sqlite3* database, const char* text) {
    sqlite3_stmt* statement = nullptr;
    Check(database, sqlite3_prepare_v2(database, text, -1, &statement, nullptr), text);
    return Statement(statement);
}

// Whole amounts are stored as integers, others as reals: both are money.
void BindMoney(sqlite3_stmt* statement, int index, std::int64_t cents) {
    if (cents % 100 == 0) {
        sqlite3_bind_int64(statement, index, cents / 100);
    } else {
        sqlite3_bind_double(statement, index, static_cast<double>(cents) / 100.0);
    }
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void Run(sqlite3* database, sqlite3_stmt* statement) {
    Check(database, sqlite3_step(statement), "inserting a row");
    sqlite3_reset(statement);
}

void Write(sqlite3* database, const SampleData& data) {
    Check(database, sqlite3_exec(database, kSchema, nullptr, nullptr, nullptr), "creating tables");
    Check(database, sqlite3_exec(database, "BEGIN", nullptr, nullptr, nullptr), "BEGIN");
    auto customers = Prepare(database, "INSERT INTO Customers VALUES (?, ?, ?, ?, ?)");
    for (const auto& c : data.customers) {
        sqlite3_bind_int(customers.get(), 1, c.id);
        BindText(customers.get(), 2, c.companyName);
        BindText(customers.get(), 3, c.contactName);
        BindText(customers.get(), 4, c.city);
        BindText(customers.get(), 5, c.phone);
        Run(database, customers.get());
    }
    auto products = Prepare(database, "INSERT INTO Products VALUES (?, ?, ?, ?)");
    for (const auto& p : data.products) {
        sqlite3_bind_int(products.get(), 1, p.id);
        BindText(products.get(), 2, p.type);
        BindText(products.get(), 3, p.name);
        BindMoney(products.get(), 4, p.listPriceCents);
        Run(database, products.get());
    }
    auto orders = Prepare(database, "INSERT INTO Orders VALUES (?, ?, ?, ?)");
    for (const auto& o : data.orders) {
        sqlite3_bind_int(orders.get(), 1, o.id);
        sqlite3_bind_int(orders.get(), 2, o.customerId);
        BindText(orders.get(), 3, o.orderDate);
        if (o.purchaseOrderNumber) {
            BindText(orders.get(), 4, *o.purchaseOrderNumber);
        } else {
            sqlite3_bind_null(orders.get(), 4);
        }
        Run(database, orders.get());
    }
    auto details = Prepare(database, "INSERT INTO Order_Details VALUES (?, ?, ?, ?)");
    for (const auto& d : data.details) {
        sqlite3_bind_int(details.get(), 1, d.orderId);
        sqlite3_bind_int(details.get(), 2, d.productId);
        sqlite3_bind_int(details.get(), 3, d.quantity);
        BindMoney(details.get(), 4, d.unitPriceCents);
        Run(database, details.get());
    }
    Check(database, sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr), "COMMIT");
}

int Usage() {
    std::fprintf(stderr,
                 "usage: kestrova-sampledb FILE [--customers N] [--seed S] "
                 "[--format sqlite|mdb] [--encrypt] [--password WORD] [--force]\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string file;
    long customers = 25;
    unsigned long long seed = 1;
    bool force = false;
    std::string format = "sqlite";
    kestrova::sampledb::MdbProtection protection;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        char* end = nullptr;
        if (arg == "--customers" && i + 1 < argc) {
            customers = std::strtol(argv[++i], &end, 10);
            if (*end || customers < 0 || customers > 10000000)
                return Usage();
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], &end, 10);
            if (*end)
                return Usage();
        } else if (arg == "--format" && i + 1 < argc) {
            format = argv[++i];
            if (format != "sqlite" && format != "mdb")
                return Usage();
        } else if (arg == "--encrypt") {
            // Any key but 0 will do; one derived from the seed keeps the
            // file the same from run to run.
            protection.pageKey = static_cast<std::uint32_t>(seed * 2654435761u) | 1;
        } else if (arg == "--password" && i + 1 < argc) {
            protection.password = argv[++i];
        } else if (arg == "--force") {
            force = true;
        } else if (file.empty() && arg.rfind("--", 0) != 0) {
            file = arg;
        } else {
            return Usage();
        }
    }
    if (file.empty() || (format != "mdb" && (protection.pageKey || !protection.password.empty()))) {
        return Usage();
    }
    if (access(file.c_str(), F_OK) == 0) {
        if (!force) {
            std::fprintf(stderr, "kestrova-sampledb: %s exists; use --force to replace it\n",
                         file.c_str());
            return 1;
        }
        std::remove(file.c_str());
    }
    const auto data = kestrova::sampledb::MakeSampleData(static_cast<int>(customers), seed);
    if (format == "mdb") {
        try {
            kestrova::sampledb::WriteMdbSample(file, data, protection);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "kestrova-sampledb: %s\n", error.what());
            std::remove(file.c_str());
            return 1;
        }
        return 0;
    }
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, Closer> database(raw);
    try {
        Check(raw, opened, "opening the file");
        Write(raw, data);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kestrova-sampledb: %s\n", error.what());
        database.reset();
        std::remove(file.c_str());
        return 1;
    }
    return 0;
}
