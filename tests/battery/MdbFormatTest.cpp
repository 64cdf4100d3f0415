#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/CustomerOrderQuery.h"
#include "tests/HangGuard.h"
#include "tests/battery/HeldElsewhere.h"
#include "tests/battery/ProgramRun.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/data/MdbFixture.h"

// The classic .mdb format beside SQLite: the same data gives the same page
// and the same shaped results; the sample maker's .mdb files read back with
// mdbtools' own programs; damage and locks end like any bad file.

namespace kestrova {
namespace {

namespace fs = std::filesystem;

const fs::path kBuilt = KESTROVA_BUILT_APPDIR;

// Customers, orders and line items with text beyond ASCII and markup, dates
// with and without a time of day, Nulls, and amounts to the last decimal;
// and a table of every kind of value for shape commands.
constexpr const char* kBothFormatsSql = R"sql(
CREATE TABLE Customers (CustomerID INTEGER, CompanyName TEXT, City TEXT);
CREATE TABLE Products (ProductID INTEGER, ProductType TEXT, ProductName TEXT);
CREATE TABLE Orders (OrderID INTEGER, CustomerID INTEGER, OrderDate DATETIME,
                     PurchaseOrderNumber TEXT);
CREATE TABLE Order_Details (OrderID INTEGER, ProductID INTEGER, Quantity INTEGER,
                            UnitPrice CURRENCY);
CREATE TABLE Kinds (Id INTEGER, Name TEXT, Amount CURRENCY, Stamp DATETIME, Ratio DOUBLE,
                    Small SMALLINT, Tiny BYTE, Flag BOOLEAN, Notes MEMO);
INSERT INTO Customers VALUES (1, 'Zoë Ørsted — 東京 🚲 & <Sons>', 'Tromsø'),
                             (2, 'Plain Cycles', NULL), (3, '', 'Empty Name');
INSERT INTO Products VALUES (1, 'Helmet', 'Bell Star'), (2, 'Bike', 'Trek "500"'),
                            (3, 'Bike', NULL), (4, NULL, 'Nameless');
INSERT INTO Orders VALUES (100, 1, '2021-05-01', 'PO-1'), (101, 1, '2022-02-03 14:30:00', NULL),
                          (102, 2, '1899-12-30 06:00:00', ''), (103, 2, '1850-06-15', 'PO-3'),
                          (104, NULL, '2022-01-01', 'orphan'), (105, 3, NULL, 'no date');
INSERT INTO Order_Details VALUES (100, 1, 2, 49.99), (100, 2, 1, 500), (100, 3, 3, 12.3456),
                                 (101, 4, 1, -0.0001), (102, 2, NULL, 500), (103, 1, 2, NULL),
                                 (999, 1, 1, 10);
INSERT INTO Kinds VALUES
  (1, 'naïve café', 1234.5678, '2024-02-29 23:59:59', 0.1, -32768, 255, 1, 'a memo'),
  (2, '', -0.0001, '1899-12-30', -1e300, 32767, 0, 0, ''),
  (3, NULL, NULL, NULL, NULL, NULL, NULL, 0, NULL),
  (4, 'ÅÄÖ 🚲', 123456789.1234, '9999-12-31 12:00:00', 2.5, 1, 1, 1, 'x');
)sql";

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

testing::ProgramRun Finished(const std::vector<std::string>& command) {
    auto run = testing::RunProgram(command, testing::HangGuard(60));
    EXPECT_TRUE(run.finished);
    return run;
}

// One folder whose AdvWorks.mdb is first the SQLite file, then the same
// data in the classic format.
class BothFormats : public ::testing::Test {
protected:
    BothFormats() {
        source_ = folder_.Database("source.sqlite", kBothFormatsSql);
        app_ = fs::path(folder_.Path()) / "app";
        fs::create_directory(app_);
        database_ = (app_ / "AdvWorks.mdb").string();
    }

    void UseSqlite() { fs::copy_file(source_, database_, fs::copy_options::overwrite_existing); }
    void UseClassicMdb() {
        fs::remove(database_);
        testing::CopyToClassicMdb(source_, database_);
        ASSERT_EQ(ReadFile(database_).substr(4, 15), "Standard Jet DB");
    }

    testing::FixtureFolder folder_;
    std::string source_;
    fs::path app_;
    std::string database_;
};

TEST_F(BothFormats, TheSameDataGivesTheSamePageByteForByte) {
    UseSqlite();
    const auto fromSqlite = Finished({(kBuilt / "kestrova-page").string(), app_.string()});
    UseClassicMdb();
    const auto fromMdb = Finished({(kBuilt / "kestrova-page").string(), app_.string()});

    EXPECT_EQ(fromSqlite.err, "");
    EXPECT_EQ(fromMdb.err, "");
    EXPECT_EQ(fromMdb.exitCode, 0);
    EXPECT_NE(fromSqlite.out.find("Zoë Ørsted — 東京 🚲 &amp; &lt;Sons&gt;"), std::string::npos);
    EXPECT_NE(fromSqlite.out.find("$37.04"), std::string::npos);  // 3 × 12.3456
    EXPECT_TRUE(fromMdb.out == fromSqlite.out) << "the pages differ";
}

TEST_F(BothFormats, ShapeCommandsGiveTheSameJson) {
    std::string orderQuery;
    for (const auto piece : kCustomerOrderQueryPieces) {
        orderQuery += piece;
    }
    const std::vector<std::string> commands = {
        orderQuery,
        "SELECT * FROM Kinds",
        "SELECT Id, Amount * 3 AS Tripled, Stamp FROM Kinds WHERE Amount > -1 ORDER BY Stamp",
        "SELECT Id FROM Kinds WHERE Name IS NULL OR Notes = ''",
        "SHAPE {SELECT Id, Name FROM Kinds} APPEND ({SELECT Id, Amount, Notes FROM Kinds} "
        "RELATE Id TO Id) AS rsAmounts, SUM(rsAmounts.Amount) AS Total, "
        "COUNT(rsAmounts.Notes) AS Notes",
        "SHAPE {SELECT CustomerID, CompanyName FROM Customers} APPEND ({SELECT CustomerID, "
        "OrderDate, PurchaseOrderNumber FROM Orders ORDER BY OrderDate} RELATE CustomerID TO "
        "CustomerID) AS rsOrders",
    };
    std::vector<std::string> fromSqlite;
    UseSqlite();
    for (const auto& command : commands) {
        const auto run = Finished({(kBuilt / "kestrova-shape").string(), database_, command});
        EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.err;
        fromSqlite.push_back(run.out);
    }
    EXPECT_NE(fromSqlite[0].find("\"Zoë Ørsted — 東京 🚲 & <Sons>\""), std::string::npos);
    EXPECT_NE(fromSqlite[1].find("\"1234.5678\""), std::string::npos) << fromSqlite[1];
    EXPECT_NE(fromSqlite[1].find("\"2024-02-29 23:59:59\""), std::string::npos);
    EXPECT_NE(fromSqlite[1].find("ÅÄÖ 🚲"), std::string::npos);
    UseClassicMdb();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const auto run = Finished({(kBuilt / "kestrova-shape").string(), database_, commands[i]});
        EXPECT_EQ(run.exitCode, 0) << commands[i] << "\n" << run.err;
        EXPECT_EQ(run.out, fromSqlite[i]) << commands[i];
    }
}

// What mdb-export prints for a sample value.
std::string ExportedMoney(std::int64_t cents) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%02lld00", static_cast<long long>(cents / 100),
                  static_cast<long long>(cents % 100));
    return text;
}

// Each table of the SQLite sample as mdb-export prints it: a header, then
// numbers plain, text and dates quoted, amounts with four decimals, Null
// as nothing.
std::string ExpectedExport(const std::string& sqliteFile, const std::string& table) {
    sqlite3* database = nullptr;
    sqlite3_open_v2(sqliteFile.c_str(), &database, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(database, ("SELECT * FROM " + table + " ORDER BY rowid").c_str(), -1, &rows,
                       nullptr);
    std::string text;
    const int columns = sqlite3_column_count(rows);
    for (int c = 0; c < columns; ++c) {
        text += std::string(c ? "," : "") + sqlite3_column_name(rows, c);
    }
    text += '\n';
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            text += c ? "," : "";
            const std::string declared = sqlite3_column_decltype(rows, c);
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
            if (!value) {
                continue;
            }
            if (declared == "CURRENCY") {
                text += ExportedMoney(std::llround(sqlite3_column_double(rows, c) * 100));
            } else if (declared == "INTEGER") {
                text += value;
            } else {
                text += std::string("\"") + value + "\"";
            }
        }
        text += '\n';
    }
    sqlite3_finalize(rows);
    sqlite3_close(database);
    return text;
}

TEST(SampleDatabase, TheMdbSampleReadsBackWithMdbToolsAsTheSqliteSampleHolds) {
    testing::FixtureFolder folder;
    const std::string sqlite = folder.Path() + "/sample.sqlite";
    const std::string mdb = folder.Path() + "/sample.mdb";
    const std::string maker = (kBuilt / "kestrova-sampledb").string();
    ASSERT_EQ(Finished({maker, sqlite, "--customers", "60", "--seed", "4"}).exitCode, 0);
    ASSERT_EQ(
        Finished({maker, mdb, "--customers", "60", "--seed", "4", "--format", "mdb"}).exitCode, 0);

    EXPECT_EQ(Finished({"/usr/bin/mdb-ver", mdb}).out, "JET4\n");
    EXPECT_EQ(Finished({"/usr/bin/mdb-tables", "-1", mdb}).out,
              "Customers\nProducts\nOrders\nOrder_Details\n");
    const std::string schema = Finished({"/usr/bin/mdb-schema", mdb}).out;
    for (const char* column :
         {"[CustomerID]\t\t\tLong Integer", "[CompanyName]\t\t\tText (255)",
          "[ListPrice]\t\t\tCurrency", "[OrderDate]\t\t\tDateTime", "[UnitPrice]\t\t\tCurrency"}) {
        EXPECT_NE(schema.find(column), std::string::npos) << column << "\n" << schema;
    }
    for (const char* table : {"Customers", "Products", "Orders", "Order_Details"}) {
        const auto exported = Finished({"/usr/bin/mdb-export", "-T", "%Y-%m-%d", mdb, table});
        EXPECT_EQ(exported.exitCode, 0) << exported.err;
        EXPECT_EQ(exported.out, ExpectedExport(sqlite, table)) << table;
    }
}

// Random damage to random pages of a sample: whatever libmdb makes of it,
// the page export ends in time with a whole page and changes no file.
TEST(ClassicMdbDamage, AnyDamageEndsInTimeWithAWholePageAndChangesNoFile) {
    testing::FixtureFolder folder;
    const fs::path app = fs::path(folder.Path()) / "app";
    fs::create_directory(app);
    for (const char* program : {"kestrova-page", "kestrova-mdb-reader"}) {
        fs::copy_file(kBuilt / program, app / program);
    }
    const std::string sound = folder.Path() + "/sound.mdb";
    ASSERT_EQ(Finished({(kBuilt / "kestrova-sampledb").string(), sound, "--customers", "10",
                        "--format", "mdb"})
                  .exitCode,
              0);
    const std::string original = ReadFile(sound);
    std::mt19937 random(2026);
    for (int round = 0; round < 24; ++round) {
        std::string bytes = original;
        const int edits = 1 << (round % 6);
        for (int e = 0; e < edits; ++e) {
            // Past the definition page, which only says what the file is.
            const std::size_t at = 4096 + random() % (bytes.size() - 4096);
            bytes[at] = static_cast<char>(random());
        }
        std::ofstream(app / "AdvWorks.mdb", std::ios::binary | std::ios::trunc) << bytes;
        const std::string before = testing::FolderSnapshot(app.string());
        const auto run = Finished({(app / "kestrova-page").string(), app.string()});
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_FALSE(run.signalled);
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.err;
        EXPECT_EQ(run.out.rfind("\r\n<html><head>", 0), 0u);
        EXPECT_EQ(run.out.substr(run.out.size() - 16), "\r\n</body></html>");
        EXPECT_EQ(testing::FolderSnapshot(app.string()), before);
    }
}

// Another program holding the file locked (as the format's writers do,
// with a lock file beside it) does not keep Kestrova from reading it:
// Kestrova only reads.
TEST(LockedClassicMdb, IsReadWhileAnotherProgramHoldsItLocked) {
    testing::FixtureFolder folder;
    const fs::path app = fs::path(folder.Path()) / "app";
    fs::create_directory(app);
    const std::string source = folder.Database("source.sqlite", testing::kCustomerOrdersSql);
    const std::string database = (app / "AdvWorks.mdb").string();
    testing::CopyToClassicMdb(source, database);
    std::ofstream(app / "AdvWorks.ldb") << "another program";
    const testing::HeldElsewhere lock([&] {
        const int file = open(database.c_str(), O_RDWR);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        fcntl(file, F_SETLK, &whole);
    });
    ASSERT_TRUE(lock.Holding());
    const std::string before = testing::FolderSnapshot(app.string());

    const auto run = Finished({(kBuilt / "kestrova-page").string(), app.string()});

    EXPECT_EQ(testing::FolderSnapshot(app.string()), before);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Alpha Cycles"), std::string::npos);
}

}  // namespace
}  // namespace kestrova
