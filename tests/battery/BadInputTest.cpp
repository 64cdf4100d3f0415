#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/HangGuard.h"
#include "tests/TextSearch.h"
#include "tests/battery/HeldElsewhere.h"
#include "tests/battery/ProgramRun.h"
#include "tests/battery/SpecialFiles.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/data/MdbFixture.h"

// Every bad database, odd folder and hostile content runs through the page
// export: it must end in time, unharmed, with a whole page, say what was
// wrong, and leave every file as it was.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

const std::string kSchema = testing::kEmptyTablesSql;

constexpr const char* kPageStart = "\r\n<html><head><base href=\"D:\\0\\4.htm\">\r\n<style>";
constexpr const char* kPageEnd = "\r\n</body></html>";

void Execute(const std::string& file, const std::string& sql) {
    testing::ExecuteSql(file, sql);
}

// ReadOnly: the database and its folder readable by all, writable by none;
// Unreadable: the same, but nobody may read the database.
enum class FolderAccess { Writable, ReadOnly, Unreadable };

struct BadInput {
    const char* name;
    std::function<void(const std::string& database)> make;
    const char* diagnostic;  // "" for a healthy file
    std::vector<std::string> pageHolds = {};
    const char* folder = "app";
    FolderAccess access = FolderAccess::Writable;
    std::vector<std::string> pageLacks = {};
    std::vector<std::pair<std::string, std::size_t>> pageCounts = {};
};

std::string Repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// One order whose Unit Prices hold these texts (at Quantity 1), and a
// second order of three items at $5.00. Nothing made of the texts may show:
// neither as money ("$NaN", "$∞") nor as zero ("$0.00"), nor in the totals.
BadInput MoneyThatIsNoNumber(const char* name, std::vector<std::string> prices) {
    return {.name = name,
            .make =
                [prices](const std::string& db) {
                    std::string sql = std::string(kSchema) +
                                      "INSERT INTO Customers VALUES (1, 'A');"
                                      "INSERT INTO Products VALUES (1, 'Bike', 'Trek');"
                                      "INSERT INTO Orders VALUES (1, 1, '2020-01-02', 'PO1'),"
                                      " (2, 1, '2020-01-01', 'PO2');"
                                      "INSERT INTO Order_Details VALUES (2, 1, 3, 5);";
                    for (const auto& price : prices) {
                        sql += "INSERT INTO Order_Details VALUES (1, 1, 1, '" + price + "');";
                    }
                    Execute(db, sql);
                },
            .diagnostic = "is no amount of money",
            .pageHolds = {"$5.00", "$15.00"},
            .pageLacks = {"NaN", "\xe2\x88\x9e", "inf", "$0.00"},
            // The line item and its order's total; the customer's total
            // counts the first order too, so it is empty.
            .pageCounts = {{"$15.00", 2}}};
}

// Makes the database from SQL, then writes it in the classic .mdb format.
std::function<void(const std::string&)> ClassicMdb(std::string sql) {
    return [sql](const std::string& db) {
        const std::string source = db + ".sqlite";
        Execute(source, sql);
        testing::CopyToClassicMdb(source, db);
        fs::remove(source);
    };
}

// A classic .mdb file of the customer order tables, then `damage` done to it.
std::function<void(const std::string&)> DamagedClassicMdb(
    std::function<void(std::string& bytes)> damage) {
    return [damage](const std::string& db) {
        ClassicMdb(testing::kCustomerOrdersSql)(db);
        std::ifstream in(db, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        damage(bytes);
        std::ofstream(db, std::ios::binary | std::ios::trunc) << bytes;
    };
}

constexpr std::size_t kMdbPage = 4096;

// The page of the first user table's definition: the first definition
// page after the catalog's (page 2).
std::size_t FirstTableDefinition(const std::string& bytes) {
    for (std::size_t page = 3; (page + 1) * kMdbPage <= bytes.size(); ++page) {
        if (bytes[page * kMdbPage] == 0x02) {
            return page;
        }
    }
    return 0;
}

std::vector<BadInput> ClassicMdbCases() {
    return {
        {"a classic .mdb file",
         ClassicMdb(testing::kCustomerOrdersSql),
         "",
         {"Alpha Cycles", "Giant Roam", "$500.00"}},
        // libmdb reads beyond its buffers on such a file and crashes.
        {"a classic .mdb file whose table's page map is a row its page lacks",
         DamagedClassicMdb(
             [](std::string& bytes) { bytes[FirstTableDefinition(bytes) * kMdbPage + 55] = 0x36; }),
         "the .mdb reader crashed on it"},
        {"a classic .mdb file whose data pages are overwritten",
         DamagedClassicMdb([](std::string& bytes) {
             for (std::size_t page = 5; (page + 1) * kMdbPage <= bytes.size(); ++page) {
                 if (bytes[page * kMdbPage] == 0x01) {
                     bytes.replace(page * kMdbPage + 8, kMdbPage - 8, kMdbPage - 8, '\xa5');
                 }
             }
         }),
         "could be read: the file is damaged"},
        {"a classic .mdb file cut short after its catalog",
         DamagedClassicMdb([](std::string& bytes) { bytes.resize(5 * kMdbPage); }),
         "cannot read the tables of"},
        {"a classic .mdb file cut inside its definition page",
         DamagedClassicMdb([](std::string& bytes) { bytes.resize(100); }),
         "cannot read the database"},
        {"a classic .mdb file without the Products table",
         ClassicMdb(
             "CREATE TABLE Customers (CustomerID INTEGER, CompanyName TEXT);"
             "CREATE TABLE Orders (OrderID INTEGER, CustomerID INTEGER, OrderDate DATETIME,"
             " PurchaseOrderNumber TEXT);"
             "CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER, Quantity INTEGER,"
             " UnitPrice CURRENCY);"
             "INSERT INTO Customers VALUES (1, 'A');"),
         "no such table: Products"},
        {"a classic .mdb file without the OrderDate column",
         ClassicMdb("CREATE TABLE Customers (CustomerID INTEGER, CompanyName TEXT);"
                    "CREATE TABLE Products (ProductID INTEGER, ProductType TEXT,"
                    " ProductName TEXT);"
                    "CREATE TABLE Orders (OrderID INTEGER, CustomerID INTEGER,"
                    " PurchaseOrderNumber TEXT);"
                    "CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER,"
                    " Quantity INTEGER, UnitPrice CURRENCY);"),
         "no such column: OrderDate"},
        {"a classic .mdb file whose OrderDate is of a type Kestrova does not read",
         DamagedClassicMdb([](std::string& bytes) {
             // Orders is the third table; OrderDate its third column.
             std::size_t page = FirstTableDefinition(bytes);
             for (int table = 1; table < 3; ++table) {
                 while (bytes[++page * kMdbPage] != 0x02) {
                 }
             }
             bytes[page * kMdbPage + 63 + 2 * 25] = 0x0D;
         }),
         "of a type Kestrova does not read"},
        // Only what the columns are declared to hold matters: text shows as
        // text, with nothing to say.
        {"a classic .mdb file with text columns where numbers and dates belong",
         ClassicMdb("CREATE TABLE Customers (CustomerID TEXT, CompanyName TEXT);"
                    "CREATE TABLE Products (ProductID TEXT, ProductType TEXT, ProductName TEXT);"
                    "CREATE TABLE Orders (OrderID TEXT, CustomerID TEXT, OrderDate TEXT,"
                    " PurchaseOrderNumber TEXT);"
                    "CREATE TABLE Order_Details (OrderID TEXT, ProductID TEXT, Quantity TEXT,"
                    " UnitPrice TEXT);"
                    "INSERT INTO Customers VALUES ('1', 'A');"
                    "INSERT INTO Products VALUES ('1', 'Bike', 'Trek');"
                    "INSERT INTO Orders VALUES ('1', '1', 'next Tuesday', 'PO');"
                    "INSERT INTO Order_Details VALUES ('1', '1', 'many', 'cheap');"),
         "",
         {"next Tuesday", "many", "cheap"}},
        {.name = "a classic .mdb file nobody may read",
         .make = ClassicMdb(testing::kCustomerOrdersSql),
         .diagnostic = "Permission denied",
         .access = FolderAccess::Unreadable},
    };
}

std::vector<BadInput> Cases() {
    const auto healthy = [](const std::string& db) { Execute(db, testing::kCustomerOrdersSql); };
    std::vector<BadInput> cases = {
        MoneyThatIsNoNumber("a Unit Price of NaN", {"NaN"}),
        MoneyThatIsNoNumber("a Unit Price of Infinity and of 1e400", {"Infinity", "1e400"}),
        MoneyThatIsNoNumber("a Unit Price of -inf", {"-inf"}),
        MoneyThatIsNoNumber("a Unit Price of abc, empty text and 0x10", {"abc", "", "0x10"}),
        {"missing file", [](const std::string&) {}, "there is no database file"},
        {"empty file", [](const std::string& db) { std::ofstream file(db); },
         "no such table: Customers"},
        {"random bytes",
         [](const std::string& db) {
             std::mt19937 random(7);
             std::ofstream file(db, std::ios::binary);
             for (int i = 0; i < 65536; ++i) {
                 file.put(static_cast<char>(random()));
             }
         },
         "not a database"},
        {"a folder named AdvWorks.mdb", [](const std::string& db) { fs::create_directory(db); },
         "is a folder"},
        {"a database without the tables",
         [](const std::string& db) { Execute(db, "CREATE TABLE Other (x);"); }, "no such table"},
        {"a table without a column the query names",
         [](const std::string& db) {
             Execute(db,
                     "CREATE TABLE Customers (CustomerID INTEGER, CompanyName TEXT);"
                     "CREATE TABLE Products (ProductID, ProductType, ProductName);"
                     "CREATE TABLE Orders (OrderID, CustomerID, OrderDate);"
                     "CREATE TABLE Order_Details (OrderID, ProductID, Quantity, UnitPrice);");
         },
         "no such column: PurchaseOrderNumber"},
        {"a file cut off in the middle",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) + "INSERT INTO Customers VALUES (1, '" +
                             Repeated("x", 100000) + "');");
             fs::resize_file(db, fs::file_size(db) / 2);
         },
         "malformed"},
        {.name = "a read-only file in a read-only folder",
         .make = healthy,
         .diagnostic = "",
         .access = FolderAccess::ReadOnly},
        {"a named pipe", [](const std::string& db) { ASSERT_EQ(mkfifo(db.c_str(), 0600), 0); },
         "is not a regular file but a named pipe"},
        {"a symbolic link to /dev/zero",
         [](const std::string& db) { fs::create_symlink("/dev/zero", db); },
         "is not a regular file: it points to /dev/zero, a character device"},
        {"a symbolic link to /dev/urandom",
         [](const std::string& db) { fs::create_symlink("/dev/urandom", db); },
         "is not a regular file: it points to /dev/urandom, a character device"},
        {"a database whose write-ahead log holds the last changes",
         testing::MakeDatabaseWithUncheckpointedLog,
         "",
         {"Before the log", "Only in the log"}},
        {.name = "a database whose write-ahead log holds the last changes, in a read-only folder",
         .make = testing::MakeDatabaseWithUncheckpointedLog,
         .diagnostic = "",
         .pageHolds = {"Before the log", "Only in the log"},
         .access = FolderAccess::ReadOnly},
        {.name = "a database with an unfinished change by a writer that stopped",
         .make = testing::MakeDatabaseWithUnfinishedChange,
         .diagnostic = "",
         .pageHolds = {"Committed"},
         .pageLacks = {"Unfinished"}},
        {"Null in every column",
         [](const std::string& db) {
             Execute(db,
                     std::string(kSchema) +
                         "INSERT INTO Customers VALUES (NULL, NULL), (2, NULL);"
                         "INSERT INTO Products VALUES (NULL, NULL, NULL);"
                         "INSERT INTO Orders VALUES (NULL, NULL, NULL, NULL), (5, 2, NULL, NULL);"
                         "INSERT INTO Order_Details VALUES (NULL, NULL, NULL, NULL),"
                         " (5, NULL, NULL, NULL);");
         },
         ""},
        {"text where numbers and dates belong",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) +
                             "INSERT INTO Customers VALUES (1, 'A');"
                             "INSERT INTO Products VALUES (1, 'Bike', 'Trek');"
                             "INSERT INTO Orders VALUES (1, 1, 'next Tuesday', 'PO');"
                             "INSERT INTO Order_Details VALUES (1, 1, 'many', 'cheap');");
         },
         // A money field that holds no number shows an empty cell.
         "is no amount of money",
         {"next Tuesday", "many"}},
        {"orphan orders and line items, and duplicate keys",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) +
                             "CREATE TABLE C2 AS SELECT * FROM Customers;"
                             "DROP TABLE Customers; ALTER TABLE C2 RENAME TO Customers;"
                             "INSERT INTO Customers VALUES (1, 'A'), (1, 'A again');"
                             "INSERT INTO Products VALUES (1, 'Bike', 'Trek');"
                             "INSERT INTO Orders VALUES (1, 1, '2020-01-01', 'PO'),"
                             " (1, 1, '2020-01-02', 'PO twice'), (2, 99, '2020-01-03', 'orphan');"
                             "INSERT INTO Order_Details VALUES (1, 1, 2, 3.5), (77, 1, 1, 1),"
                             " (1, 42, 1, 1);");
         },
         "",
         {"A again", "PO twice"}},
        {"a company name of one megabyte",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) + "INSERT INTO Customers VALUES (1, '" +
                             Repeated("Big Name ", 116509) + "');");
         },
         ""},
        {"100,000 line items on one order",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) +
                             "INSERT INTO Customers VALUES (1, 'A');"
                             "INSERT INTO Products VALUES (1, 'Bike', 'Trek');"
                             "INSERT INTO Orders VALUES (1, 1, '2020-01-01', 'PO');"
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                             "WHERE i < 100000) INSERT INTO Order_Details SELECT 1, 1, i, 1.25 "
                             "FROM n;");
         },
         "",
         {"imgOrder1\"", "100000"}},
        {"bytes that are not UTF-8",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) +
                             "INSERT INTO Customers VALUES (1, CAST(x'41ff42c3' AS TEXT));");
         },
         "",
         {"A\xff"
          "B\xc3"}},
        {"markup and script in names and values",
         [](const std::string& db) {
             Execute(db, std::string(kSchema) +
                             "INSERT INTO Customers VALUES (1, '<script>alert(1)</script>');"
                             "INSERT INTO Products VALUES (1, '<img src=x onerror=alert(1)>',"
                             " '</table></div>\"quoted\" & ''single''');"
                             "INSERT INTO Orders VALUES (1, 1, '2020-01-01', '<b>&amp;</b>');"
                             "INSERT INTO Order_Details VALUES (1, 1, 1, 1);");
         },
         "",
         {"&lt;script&gt;alert(1)&lt;/script&gt;", "&lt;img src=x onerror=alert(1)&gt;",
          "&lt;/table&gt;&lt;/div&gt;\"quoted\" &amp; 'single'", "&lt;b&gt;&amp;amp;&lt;/b&gt;"}},
        {"a folder with blanks, quotes, letters beyond ASCII and a backslash",
         healthy,
         "",
         {"SRC=\"", "app &quot;dir&quot; \xc3\xbc%5Cx\\plus.gif\""},
         "app \"dir\" \xc3\xbc\\x"},
    };
    for (auto& mdbCase : ClassicMdbCases()) {
        cases.push_back(std::move(mdbCase));
    }
    return cases;
}

// The page export and, beside it, the reader of classic .mdb files.
void CopyPrograms(const fs::path& app) {
    for (const char* program : {"kestrova-page", "kestrova-mdb-reader"}) {
        fs::copy_file(fs::path(KESTROVA_BUILT_APPDIR) / program, app / program);
    }
}

class BadInputTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(BadInputTest, EndsInTimeWithAWholePageSaysWhatIsWrongAndChangesNoFile) {
    const BadInput input = Cases()[GetParam()];
    SCOPED_TRACE(input.name);
    testing::FixtureFolder root;
    const fs::path app = fs::path(root.Path()) / input.folder;
    fs::create_directories(app);
    CopyPrograms(app);
    const std::string database = (app / "AdvWorks.mdb").string();
    input.make(database);
    // The program's own temporary folder: whatever it puts there, it removes.
    const fs::path temporary = fs::path(root.Path()) / "tmp";
    fs::create_directory(temporary);
    auto runAs = testing::RunAs::Self;
    if (input.access != FolderAccess::Writable) {
        // Readable by all, writable by none; the program runs unprivileged.
        const auto readable =
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
        const auto enterable =
            fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
        std::error_code notAFile;
        fs::permissions(database,
                        input.access == FolderAccess::Unreadable ? fs::perms::none : readable,
                        notAFile);
        fs::permissions(root.Path(), readable | enterable | fs::perms::owner_write);
        fs::permissions(temporary, fs::perms::all);
        fs::permissions(app, readable | enterable);
        runAs = testing::RunAs::Unprivileged;
    }
    const std::string before = testing::FolderSnapshot(app.string());
    setenv("TMPDIR", temporary.c_str(), 1);

    const double guard = testing::HangGuard(120);
    const auto run =
        testing::RunProgram({(app / "kestrova-page").string(), app.string()}, guard, {}, runAs);
    unsetenv("TMPDIR");

    ASSERT_TRUE(run.finished) << "still running after " << guard << " seconds";
    EXPECT_FALSE(run.signalled) << run.err;
    EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("runtime error:"), std::string::npos) << run.err;
    EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.exitCode << run.err;
    EXPECT_EQ(run.out.rfind(kPageStart, 0), 0u) << run.out.substr(0, 200);
    ASSERT_GE(run.out.size(), std::string(kPageEnd).size());
    EXPECT_EQ(run.out.substr(run.out.size() - std::string(kPageEnd).size()), kPageEnd);
    if (*input.diagnostic) {
        EXPECT_NE(run.err.find(input.diagnostic), std::string::npos) << run.err;
    } else {
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitCode, 0);
    }
    for (const auto& piece : input.pageHolds) {
        EXPECT_NE(run.out.find(piece), std::string::npos) << piece;
    }
    for (const auto& piece : input.pageLacks) {
        EXPECT_EQ(run.out.find(piece), std::string::npos) << piece;
    }
    for (const auto& [piece, count] : input.pageCounts) {
        EXPECT_EQ(testing::Occurrences(run.out, piece), count) << piece;
    }
    EXPECT_EQ(run.out.find("<script>"), std::string::npos);
    EXPECT_EQ(testing::FolderSnapshot(app.string()), before);
    EXPECT_TRUE(fs::is_empty(temporary)) << "left in the temporary folder";
}

// Each case under its own name: "a named pipe" runs as Battery/BadInputTest.
// EndsInTime.../a_named_pipe.
std::string CaseName(const ::testing::TestParamInfo<std::size_t>& info) {
    std::string name = Cases()[info.param].name;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Battery, BadInputTest, ::testing::Range<std::size_t>(0, Cases().size()),
                         CaseName);

TEST(LockedDatabase, IsWaitedForAFewSecondsThenReported) {
    testing::FixtureFolder root;
    const fs::path app = fs::path(root.Path()) / "app";
    fs::create_directories(app);
    fs::copy_file(fs::path(KESTROVA_BUILT_APPDIR) / "kestrova-page", app / "kestrova-page");
    const std::string database = (app / "AdvWorks.mdb").string();
    Execute(database, testing::kCustomerOrdersSql);
    // Another process holds the database locked until the test ends.
    const testing::HeldElsewhere lock([&] {
        sqlite3* connection = nullptr;
        sqlite3_open(database.c_str(), &connection);
        sqlite3_exec(connection, "BEGIN EXCLUSIVE; DELETE FROM Order_Details;", nullptr, nullptr,
                     nullptr);
    });
    ASSERT_TRUE(lock.Holding());
    const std::string before = testing::FolderSnapshot(app.string());

    const auto run = testing::RunProgram({(app / "kestrova-page").string(), app.string()},
                                         testing::HangGuard(60));

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_GE(run.seconds, 2.0);
    EXPECT_NE(run.err.find("database is locked"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.substr(run.out.size() - std::string(kPageEnd).size()), kPageEnd);
    EXPECT_EQ(testing::FolderSnapshot(app.string()), before);
}

}  // namespace
}  // namespace kestrova
