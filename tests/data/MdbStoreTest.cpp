#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/localstore/LocalStore.h"
#include "platform/localstore/MdbReaderProcess.h"
#include "platform/mdbfile/JetText.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/data/CompactRows.h"
#include "tests/data/FixtureDatabase.h"
#include "tools/jetfile/JetFile.h"

// Classic .mdb files through the data provider: every column type the
// reader maps, Null apart from empty, exact money, dates with their time.

namespace kestrova {
namespace {

using jetfile::ColumnType;
using jetfile::Value;

class MdbStore : public ::testing::Test {
protected:
    void SetUp() override { platform::SetHelperFolder(KESTROVA_BUILT_APPDIR); }

    // A file with one table "T" of the given columns and rows.
    std::string File(const std::vector<jetfile::ColumnSpec>& columns,
                     const std::vector<std::vector<Value>>& rows) {
        jetfile::JetFile file;
        file.BeginTable("T", columns);
        for (const auto& row : rows) {
            file.AddRow(row);
        }
        const std::string path = folder_.Path() + "/AdvWorks.mdb";
        file.Save(path);
        return path;
    }

    std::vector<std::string> Rows(const std::string& file, const std::string& command) {
        return testing::CompactRows(*testing::OpenShaped(file, command));
    }

    testing::FixtureFolder folder_;
};

TEST_F(MdbStore, EveryColumnTypeReadsWithItsTypeCodeAndNullStaysApartFromEmpty) {
    const std::string file =
        File({{"Id", ColumnType::Long},
              {"Name", ColumnType::Text},
              {"Notes", ColumnType::Memo},
              {"Flag", ColumnType::Boolean},
              {"Tiny", ColumnType::Byte},
              {"Small", ColumnType::Integer},
              {"Part", ColumnType::Single},
              {"Ratio", ColumnType::Double}},
             {{std::int64_t{1}, std::string("Zoë Ørsted — 東京 🚲"), std::string("naïve café"), true,
               std::int64_t{255}, std::int64_t{-32768}, 0.5, -1e300},
              {std::int64_t{-2147483648}, std::string(""), std::string(""), false, std::int64_t{0},
               std::int64_t{32767}, -2.25, 0.1},
              {std::int64_t{3}, Value(), Value(), false, Value(), Value(), Value(), Value()}});
    const std::string before = testing::FolderSnapshot(folder_.Path());

    auto recordset = testing::OpenShaped(file, "SELECT * FROM T");
    EXPECT_EQ(testing::FieldList(*recordset),
              "Id:3,Name:202,Notes:202,Flag:11,Tiny:17,Small:2,Part:5,Ratio:5");
    EXPECT_EQ(testing::CompactRows(*recordset),
              (std::vector<std::string>{
                  "1|\"Zoë Ørsted — 東京 🚲\"|\"naïve café\"|true|255|-32768|0.5|-1e+300",
                  "-2147483648|\"\"|\"\"|false|0|32767|-2.25|0.1",
                  "3|null|null|false|null|null|null|null"}));
    EXPECT_EQ(Rows(file, "SELECT Id FROM T WHERE Name IS NULL"), std::vector<std::string>{"3"});
    EXPECT_EQ(Rows(file, "SELECT Id FROM T WHERE Notes = ''"),
              std::vector<std::string>{"-2147483648"});
    EXPECT_EQ(testing::FolderSnapshot(folder_.Path()), before);
}

TEST_F(MdbStore, MoneyKeepsEveryStoredDecimalAndCountsAsTheAmountInStatements) {
    constexpr auto kMost = std::numeric_limits<std::int64_t>::max();
    constexpr auto kLeast = std::numeric_limits<std::int64_t>::min();
    const std::string file = File({{"Id", ColumnType::Long}, {"Price", ColumnType::Currency}},
                                  {{std::int64_t{1}, std::int64_t{12340000}},
                                   {std::int64_t{2}, std::int64_t{12345678}},
                                   {std::int64_t{3}, std::int64_t{-1}},
                                   {std::int64_t{4}, std::int64_t{kMost}},
                                   {std::int64_t{5}, std::int64_t{kLeast}},
                                   {std::int64_t{6}, Value()}});

    EXPECT_EQ(Rows(file, "SELECT Price FROM T"),
              (std::vector<std::string>{"\"1234.0000\"", "\"1234.5678\"", "\"-0.0001\"",
                                        "\"922337203685477.5807\"", "\"-922337203685477.5808\"",
                                        "null"}));
    // Arithmetic and comparisons see amounts, not ten-thousandths.
    EXPECT_EQ(Rows(file, "SELECT Id, Price * 2 AS Twice FROM T WHERE Price > 1000 AND Id < 4"),
              (std::vector<std::string>{"1|\"2468.0000\"", "2|\"2469.1356\""}));
}

TEST_F(MdbStore, DatesKeepTheirTimeOfDayOnBothSidesOfDayZero) {
    const std::string file =
        File({{"Id", ColumnType::Long}, {"Stamp", ColumnType::DateTime}},
             {{std::int64_t{1}, 0.0},
              {std::int64_t{2}, 45351.0 + 86399.0 / 86400.0},  // 2024-02-29 23:59:59
              {std::int64_t{3}, -1.25},                        // a day back, at 06:00
              {std::int64_t{4}, 45350.0 + 86399.7 / 86400.0},  // rounds up to midnight
              {std::int64_t{5}, 2958465.5},                    // 9999-12-31 12:00
              {std::int64_t{6}, Value()}});

    EXPECT_EQ(Rows(file, "SELECT Stamp FROM T"),
              (std::vector<std::string>{"\"1899-12-30\"", "\"2024-02-29 23:59:59\"",
                                        "\"1899-12-29 06:00:00\"", "\"2024-02-29\"",
                                        "\"9999-12-31 12:00:00\"", "null"}));
}

TEST_F(MdbStore, ADateBeyondTheCalendarIsShownAsStoredAndSaidSo) {
    const std::string file = File({{"Stamp", ColumnType::DateTime}}, {{1.0e7}, {0.5}});
    testing::DiagnosticsCapture diagnostics;
    EXPECT_EQ(Rows(file, "SELECT Stamp FROM T"),
              (std::vector<std::string>{"\"10000000\"", "\"1899-12-30 12:00:00\""}));
    EXPECT_NE(diagnostics.Text().find("is no date"), std::string::npos) << diagnostics.Text();
}

TEST_F(MdbStore, MemosOfEveryLengthReadWholeFromTheirRowOrTheirLongValuePages) {
    std::string onOnePage;  // beyond what is kept in the row
    std::string chained;    // beyond one page
    for (int i = 0; onOnePage.size() < 600; ++i) {
        onOnePage += "Ünïcode 🚲 " + std::to_string(i) + " ";
    }
    for (int i = 0; chained.size() < 40000; ++i) {
        chained += "line " + std::to_string(i) + " — ";
    }
    const std::string file = File({{"Id", ColumnType::Long}, {"Notes", ColumnType::Memo}},
                                  {{std::int64_t{1}, std::string("short")},
                                   {std::int64_t{2}, onOnePage},
                                   {std::int64_t{3}, chained},
                                   {std::int64_t{4}, Value()}});

    auto recordset = testing::OpenShaped(file, "SELECT Notes, length(Notes) FROM T");
    const auto rows = testing::CompactRows(*recordset);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "\"short\"|5");
    EXPECT_EQ(rows[1].substr(0, onOnePage.size() + 2), "\"" + onOnePage + "\"");
    EXPECT_EQ(rows[2].substr(0, chained.size() + 2), "\"" + chained + "\"");
    EXPECT_EQ(rows[3], "null|null");
}

TEST(JetText, ReadsPlainAndCompressedUtf16WithPairsAndReplacesWhatIsBroken) {
    const auto text = [](std::initializer_list<int> bytes) {
        const std::vector<unsigned char> raw(bytes.begin(), bytes.end());
        return mdbfile::Utf8FromJetText(raw.data(), raw.size());
    };
    EXPECT_EQ(text({'A', 0, 0xE9, 0, 0x3D, 0xD8, 0xB2, 0xDE}), "Aé🚲");
    // Compressed: one byte a character, a zero switches to two and back.
    EXPECT_EQ(text({0xFF, 0xFE, 'C', 'a', 'f', 0xE9, 0, 0x6C, 0x67, 0, '!'}), "Café杬!");
    EXPECT_EQ(text({0x3D, 0xD8, 'x', 0}), "\xEF\xBF\xBDx");  // a lone high surrogate
    EXPECT_EQ(text({'A', 0, 'B'}), "A\xEF\xBF\xBD");         // a last odd byte
    EXPECT_EQ(text({}), "");
}

TEST_F(MdbStore, OnlyTheTablesACommandNamesAreRead) {
    jetfile::JetFile file;
    file.BeginTable("Wanted", {{"Id", ColumnType::Long}});
    file.AddRow({std::int64_t{7}});
    file.BeginTable("Other", {{"Id", ColumnType::Long}});
    file.AddRow({std::int64_t{8}});
    const std::string path = folder_.Path() + "/two.mdb";
    file.Save(path);

    EXPECT_EQ(Rows(path, "SELECT * FROM wanted"), std::vector<std::string>{"7"});
    try {
        Rows(path, "SELECT * FROM Missing");
        ADD_FAILURE() << "there is no table Missing";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("no such table: Missing"), std::string::npos)
            << error.what();
    }
    // A name that is no table of the file is no table of the copy either.
    EXPECT_EQ(Rows(path,
                   "SHAPE {SELECT Id FROM Wanted} APPEND ({SELECT Id FROM [Other]} "
                   "RELATE Id TO Id) AS rsOther"),
              std::vector<std::string>{"7|<>"});
}

// A table of more pages than its map can hold in its row has pages of maps
// of its own; every row is read all the same, and the tables after it too.
TEST_F(MdbStore, ATableOfThousandsOfPagesIsReadWhole) {
    jetfile::JetFile file;
    file.BeginTable("Big", {{"Id", ColumnType::Long},
                            {"A", ColumnType::Text},
                            {"B", ColumnType::Text},
                            {"C", ColumnType::Text}});
    const std::string filler(250, 'x');
    constexpr std::int64_t kRows = 5000;  // about 1,700 pages
    for (std::int64_t id = 1; id <= kRows; ++id) {
        file.AddRow({id, filler + std::to_string(id), filler, filler});
    }
    file.BeginTable("After", {{"Id", ColumnType::Long}});
    file.AddRow({std::int64_t{42}});
    const std::string path = folder_.Path() + "/big.mdb";
    file.Save(path);
    ASSERT_GT(std::filesystem::file_size(path), 1500U * 4096);

    EXPECT_EQ(Rows(path, "SELECT count(*), sum(Id), max(length(A)) FROM Big"),
              std::vector<std::string>{std::to_string(kRows) + "|" +
                                       std::to_string(kRows * (kRows + 1) / 2) + "|254"});
    EXPECT_EQ(Rows(path, "SELECT Id FROM After"), std::vector<std::string>{"42"});
}

// The copy of a file's tables is Kestrova's own: the columns a shape
// command relates its levels by are indexed in it, so that the first
// part's rows are looked up, and the parts give what the whole gives.
TEST_F(MdbStore, TheCopyIsIndexedByTheColumnsTheLevelsRelateBy) {
    jetfile::JetFile file;
    file.BeginTable("Parents", {{"Id", ColumnType::Long}, {"Name", ColumnType::Text}});
    for (std::int64_t id = 1; id <= 7; ++id) {
        file.AddRow({id, "parent " + std::to_string(8 - id)});
    }
    file.BeginTable(
        "Kids",
        {{"ParentId", ColumnType::Long}, {"Label", ColumnType::Text}, {"Rank", ColumnType::Long}});
    for (std::int64_t kid = 0; kid < 40; ++kid) {
        file.AddRow({kid % 9, "kid " + std::to_string(kid), kid % 3});
    }
    const std::string path = folder_.Path() + "/related.mdb";
    file.Save(path);
    const std::string kids = "SELECT ParentId AS P, Label FROM Kids k ORDER BY Rank";
    const std::string command = "SHAPE {SELECT Id, Name FROM Parents ORDER BY Name} APPEND ({" +
                                kids + "} RELATE Id TO P) AS K";

    const auto store = platform::LocalStore::Open(path);
    store->LoadTablesNamedIn(command, {{kids, "P"}});
    const auto found = store->Lookup(kids, "P", {std::int64_t{2}});
    ASSERT_TRUE(found && *found) << "no index found the kids of a parent";
    EXPECT_EQ((*found)->rowCount, 5U);

    const auto whole = Rows(path, command);
    ASSERT_EQ(whole.size(), 7U);
    for (const std::size_t rowsPerPart : {1, 2, 3}) {
        EXPECT_EQ(testing::CompactRows(*testing::OpenShaped(path, command, rowsPerPart)), whole)
            << "parts of " << rowsPerPart;
    }
}

TEST_F(MdbStore, AFileThatOnlyNamesTheFormatFailsTheOpenAndIsLeftAsItWas) {
    std::string bytes(4096 * 4, '\0');
    bytes.replace(4, 16, std::string("Standard Jet DB\0", 16));
    bytes[0x14] = 1;
    const std::string file = folder_.File("AdvWorks.mdb", bytes);
    const std::string before = testing::FolderSnapshot(folder_.Path());
    try {
        testing::OpenShaped(file, "SELECT * FROM Customers");
        ADD_FAILURE() << "the file holds no tables";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("cannot read the database " + file + ": "),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(testing::FolderSnapshot(folder_.Path()), before);
}

}  // namespace
}  // namespace kestrova
