#include "tests/data/FixtureDatabase.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

namespace kestrova::testing {

namespace fs = std::filesystem;

FixtureFolder::FixtureFolder() : FixtureFolder(fs::temp_directory_path().string()) {}

FixtureFolder::FixtureFolder(const std::string& parent) {
    std::string pattern = (fs::path(parent) / "kestrova-data-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

FixtureFolder::~FixtureFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string FixtureFolder::Database(const std::string& name, const std::string& sql) const {
    const std::string file = path_ + "/" + name;
    ExecuteSql(file, sql);
    return file;
}

void ExecuteSql(const std::string& file, const std::string& sql) {
    sqlite3* database = nullptr;
    sqlite3_open(file.c_str(), &database);
    char* error = nullptr;
    const int result = sqlite3_exec(database, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(database);
    if (result != SQLITE_OK) {
        throw std::runtime_error("fixture SQL failed: " + message);
    }
}

std::string FixtureFolder::File(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string FolderSnapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ostringstream contents;
        if (entry.is_regular_file()) {
            contents << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        }
        files[entry.path().filename().string()] = contents.str();
    }
    // Sizes and digests, not the contents: a failing comparison then prints
    // a short, readable difference instead of megabytes of file contents.
    std::string snapshot;
    for (const auto& [name, contents] : files) {
        snapshot += name + ": " + std::to_string(contents.size()) + " bytes, digest " +
                    std::to_string(std::hash<std::string>()(contents)) + "\n";
    }
    return snapshot;
}

const char* const kCustomerOrdersSql = R"sql(
CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, CompanyName TEXT, City TEXT);
CREATE TABLE Products (ProductID INTEGER PRIMARY KEY, ProductType TEXT, ProductName TEXT);
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER, OrderDate DATETIME,
                     PurchaseOrderNumber TEXT);
CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER, Quantity INTEGER,
                            UnitPrice CURRENCY);
INSERT INTO Customers VALUES (1, 'Alpha Cycles', 'Boulder'), (2, 'Beta Bikes', 'Provo'),
                             (3, 'Gamma Gear', 'Eugene');
INSERT INTO Products VALUES (1, 'Helmet', 'Bell Star'), (2, 'Bike', 'Trek 500'),
                            (3, 'Bike', 'Giant Roam'), (4, 'Gloves', 'Fox Grip');
INSERT INTO Orders VALUES (100, 1, '2021-05-01', 'PO-1'),
                          (101, 1, '2022-02-03 14:30:00', NULL),
                          (102, 2, '2020-12-31', 'PO-2'),
                          (103, 2, '2023-01-15', 'PO-3'),
                          (104, NULL, '2022-01-01', 'orphan without customer'),
                          (105, 9, '2022-01-01', 'orphan of a missing customer');
INSERT INTO Order_Details VALUES (100, 1, 2, 49.99), (100, 2, 1, 500), (100, 3, 1, 420.5),
                                 (101, 4, 3, 15), (102, 2, 2, 500), (999, 1, 1, 10);
)sql";

const char* const kEmptyTablesSql = R"sql(
CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, CompanyName TEXT);
CREATE TABLE Products (ProductID INTEGER PRIMARY KEY, ProductType TEXT, ProductName TEXT);
CREATE TABLE Orders (OrderID INTEGER, CustomerID INTEGER, OrderDate DATETIME,
                     PurchaseOrderNumber TEXT);
CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER, Quantity INTEGER,
                            UnitPrice CURRENCY);
)sql";

}  // namespace kestrova::testing
