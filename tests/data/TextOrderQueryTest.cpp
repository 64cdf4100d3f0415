#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/localstore/MdbReaderProcess.h"
#include "platform/runtime/Diagnostics.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/data/CompactRows.h"
#include "tests/data/FixtureDatabase.h"
#include "tests/data/MdbFixture.h"
#include "tests/textorder/EngineOrderList.h"

// Statements sort and compare text as the format's own engine does: in the
// order each .mdb column's definition names, and in General for a SQLite
// file; equal keys keep the order the table holds them in.

namespace kestrova {
namespace {

enum class Format { Sqlite, ClassicMdb };

// The .mdb reader is the one the build made.
class UsesTheBuiltReader : public ::testing::Environment {
public:
    void SetUp() override { platform::SetHelperFolder(KESTROVA_BUILT_APPDIR); }
};
const auto* const kReader = ::testing::AddGlobalTestEnvironment(new UsesTheBuiltReader);

// Product types as a new user typed them, with their place in the table.
constexpr const char* kProducts =
    "CREATE TABLE Products (ProductID INTEGER, ProductType TEXT, Code TEXT);"
    "INSERT INTO Products VALUES (1, '10', 'AB12'), (2, '9', 'x'), (3, 'Apple', 'x'),"
    " (4, 'Eclair', 'x'), (5, 'Zebra', 'x'), (6, '_under', 'x'), (7, 'apple', 'x'),"
    " (8, 'banana', 'x'), (9, 'can''t', 'x'), (10, 'cant', 'x'), (11, 'co-op', 'x'),"
    " (12, 'coop', 'x'), (13, 'eclair', 'x'), (14, '\xC3\x89"
    "clair', 'x'), (15, 'APPLE', 'x'),"
    " (16, NULL, 'x'), (17, '', 'x');"
    "CREATE TABLE Details (ProductID INTEGER, Code TEXT);"
    "INSERT INTO Details VALUES (1, 'ab12');";

class TextOrderQuery : public ::testing::TestWithParam<Format> {
protected:
    std::string File(const std::string& sql) {
        const std::string sqlite = folder.Database("products.db", sql);
        if (GetParam() == Format::Sqlite) {
            return sqlite;
        }
        const std::string mdb = folder.Path() + "/products.mdb";
        testing::CopyToClassicMdb(sqlite, mdb);
        return mdb;
    }

    std::string Rows(const std::string& file, const std::string& command) {
        const auto recordset = testing::OpenShaped(file, command);
        std::string joined;
        for (const auto& row : testing::CompactRows(*recordset)) {
            joined += (joined.empty() ? "" : " ") + row;
        }
        return joined;
    }

    testing::FixtureFolder folder;
};

INSTANTIATE_TEST_SUITE_P(BothFormats, TextOrderQuery,
                         ::testing::Values(Format::Sqlite, Format::ClassicMdb),
                         [](const auto& info) {
                             return info.param == Format::Sqlite ? "Sqlite" : "ClassicMdb";
                         });

TEST_P(TextOrderQuery, OrderBySortsAsTheEngineAndEqualKeysKeepTheTablesOrder) {
    const std::string file = File(kProducts);
    // Null first, then empty text; "Apple", "apple" and "APPLE" are one
    // key, in the order the table holds them.
    EXPECT_EQ(Rows(file, "SELECT ProductID FROM Products ORDER BY ProductType"),
              "16 17 6 1 2 3 7 15 8 10 9 12 11 4 13 14 5");
    EXPECT_EQ(Rows(file, "SELECT ProductID FROM Products ORDER BY ProductType DESC, ProductID"),
              "5 14 4 13 11 12 9 10 8 3 7 15 2 1 6 17 16");
    // A result column by its number, or by its name, sorts the same.
    EXPECT_EQ(Rows(file,
                   "SELECT ProductType AS T, ProductID FROM Products WHERE ProductID < 9 "
                   "ORDER BY 1"),
              "\"_under\"|6 \"10\"|1 \"9\"|2 \"Apple\"|3 \"apple\"|7 \"banana\"|8 \"Eclair\"|4 "
              "\"Zebra\"|5");
    EXPECT_EQ(Rows(file,
                   "SELECT ProductType AS T FROM Products WHERE ProductID IN (3, 4, 8) "
                   "UNION SELECT 'BOOTS' ORDER BY T"),
              "\"Apple\" \"banana\" \"BOOTS\" \"Eclair\"");
    // A collation named in the statement is kept: bytewise here.
    EXPECT_EQ(Rows(file,
                   "SELECT ProductID FROM Products WHERE ProductID IN (3, 7, 8) "
                   "ORDER BY ProductType COLLATE BINARY"),
              "3 7 8");
    // Numbers sort as numbers.
    EXPECT_EQ(Rows(file,
                   "SELECT ProductID FROM Products WHERE ProductID > 12 ORDER BY "
                   "ProductID DESC"),
              "17 16 15 14 13");
}

// The engine's own list of texts for one order, in a file of the version
// that sorts so.
struct ListInAFile {
    const char* list;
    const char* declared;  // the text column's declaration
    Format format;
    const char* name;
};

class EngineListQuery : public ::testing::TestWithParam<ListInAFile> {};

INSTANTIATE_TEST_SUITE_P(
    Lists, EngineListQuery,
    ::testing::Values(ListInAFile{"general-legacy.txt", "TEXT", Format::ClassicMdb,
                                  "GeneralLegacyInAnMdbFileOf2000"},
                      ListInAFile{"general.txt", "TEXT SORT2010", Format::ClassicMdb,
                                  "GeneralInAnMdbFileOf2010"},
                      ListInAFile{"general.txt", "TEXT", Format::Sqlite, "GeneralInSqlite"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string SqlText(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    }
    return quoted + "'";
}

// The rows' places, joined, as CompactRows gives them.
std::string Places(const std::vector<std::size_t>& places) {
    std::string joined;
    for (const auto place : places) {
        if (!joined.empty()) {
            joined += ' ';
        }
        joined += std::to_string(place);
    }
    return joined;
}

// ORDER BY gives the list's texts in its order, ascending and descending,
// and the texts of one group in the order the table holds them, which is
// not the list's.
TEST_P(EngineListQuery, OrderByGivesTheEnginesOrderOfTheWholeList) {
    auto list = testing::EngineOrderList(GetParam().list);
    std::shuffle(list.begin(), list.end(), std::mt19937(2010));
    std::string sql = std::string("CREATE TABLE Texts (Place INTEGER, Words ") +
                      GetParam().declared + "); INSERT INTO Texts VALUES ";
    for (std::size_t place = 0; place < list.size(); ++place) {
        sql +=
            (place ? ", (" : "(") + std::to_string(place) + ", " + SqlText(list[place].text) + ")";
    }
    testing::FixtureFolder folder;
    std::string file = folder.Database("texts.db", sql + ";");
    if (GetParam().format == Format::ClassicMdb) {
        testing::CopyToClassicMdb(file, folder.Path() + "/texts.mdb");
        file = folder.Path() + "/texts.mdb";
    }
    std::vector<std::size_t> ascending(list.size());
    for (std::size_t place = 0; place < list.size(); ++place) {
        ascending[place] = place;
    }
    std::stable_sort(ascending.begin(), ascending.end(),
                     [&](std::size_t a, std::size_t b) { return list[a].group < list[b].group; });
    std::vector<std::size_t> descending = ascending;
    std::stable_sort(descending.begin(), descending.end(),
                     [&](std::size_t a, std::size_t b) { return list[a].group > list[b].group; });
    const auto rows = [&](const std::string& command) {
        std::string joined;
        for (const auto& row : testing::CompactRows(*testing::OpenShaped(file, command))) {
            joined += (joined.empty() ? "" : " ") + row;
        }
        return joined;
    };
    EXPECT_EQ(rows("SELECT Place FROM Texts ORDER BY Words"), Places(ascending));
    EXPECT_EQ(rows("SELECT Place FROM Texts ORDER BY Words DESC, Place"), Places(descending));
}

TEST(TextOrderQuery, AnMdbColumnsTextEqualsAsItsKeysDoInJoinsAndComparisons) {
    testing::FixtureFolder folder;
    const std::string mdb = folder.Path() + "/products.mdb";
    testing::CopyToClassicMdb(folder.Database("products.db", kProducts), mdb);
    const auto recordset = testing::OpenShaped(
        mdb,
        "SELECT p.ProductID FROM Details od INNER JOIN Products p ON od.Code = p.Code"
        " WHERE p.ProductType = 'TEN' OR p.ProductType = '10'");
    EXPECT_EQ(testing::CompactRows(*recordset), std::vector<std::string>{"1"});
}

// A column in another language's order sorts as ICU's collation of that
// language, case aside, said once.
TEST(TextOrderQuery, AnMdbColumnInAnotherLanguagesOrderSortsAsIcusCollationOfIt) {
    testing::FixtureFolder folder;
    const std::string mdb = folder.Path() + "/swedish.mdb";
    testing::CopyToClassicMdb(
        folder.Database("swedish.db",
                        "CREATE TABLE Names (Id INTEGER, Name TEXT LCID(1053));"
                        "INSERT INTO Names VALUES (1, '\xC3\xA4pple'), (2, 'zebra'), (3, 'Apple'),"
                        " (4, '\xC3\x84PPLE');"),
        mdb);
    testing::DiagnosticsCapture diagnostics;
    const auto recordset = testing::OpenShaped(mdb, "SELECT Id FROM Names ORDER BY Name");
    // In Swedish ä is a letter of its own after z.
    EXPECT_EQ(testing::CompactRows(*recordset), (std::vector<std::string>{"3", "2", "1", "4"}));
    EXPECT_GE(runtime::FailureCount("sorting text"), 1);
    if (!diagnostics.Text().empty()) {
        EXPECT_NE(diagnostics.Text().find(
                      "sorts Swedish/Finnish text as ICU's sv collation, the nearest to its own"),
                  std::string::npos)
            << diagnostics.Text();
    }
}

// Dates from the year 100 on, before the format's day zero too, where a
// later time of such a day is a later moment, sort as time goes, and are
// written with four-digit years.
TEST(TextOrderQuery, DatesOfAnyYearSortAsTimeGoesAndHaveFourDigitYears) {
    testing::FixtureFolder folder;
    const std::string mdb = folder.Path() + "/dates.mdb";
    testing::CopyToClassicMdb(
        folder.Database("dates.db",
                        "CREATE TABLE Days (Id INTEGER, Day DATETIME);"
                        "INSERT INTO Days VALUES (1, '1899-12-29 18:00:00'), (2, '0999-12-31'),"
                        " (3, '1899-12-29 06:00:00'), (4, '0100-06-14 12:45:00'),"
                        " (5, '1899-12-30'), (6, '2024-02-29 23:59:59'), (7, '1000-01-01');"),
        mdb);
    const auto recordset = testing::OpenShaped(mdb, "SELECT Id, Day FROM Days ORDER BY Day");
    EXPECT_EQ(testing::CompactRows(*recordset),
              (std::vector<std::string>{"4|\"0100-06-14 12:45:00\"", "2|\"0999-12-31\"",
                                        "7|\"1000-01-01\"", "3|\"1899-12-29 06:00:00\"",
                                        "1|\"1899-12-29 18:00:00\"", "5|\"1899-12-30\"",
                                        "6|\"2024-02-29 23:59:59\""}));
}

}  // namespace
}  // namespace kestrova
