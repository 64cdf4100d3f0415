#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/datashape/PartedEvaluation.h"
#include "platform/datashape/ShapeParser.h"
#include "platform/recordset/Recordset.h"
#include "platform/recordset/TypeCodes.h"
#include "tests/DiagnosticsCapture.h"
#include "tests/TemporaryFolder.h"
#include "tests/data/CompactRows.h"

namespace kestrova::platform::shape {
namespace {

std::shared_ptr<Table> MakeTable(const std::vector<std::pair<std::string, std::int32_t>>& columns,
                                 const std::vector<std::vector<Variant>>& rows) {
    auto table = std::make_shared<Table>();
    for (const auto& [name, type] : columns) {
        table->columns.push_back({name, type, {}, std::nullopt});
    }
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            table->columns[c].values.push_back(row[c]);
        }
        ++table->rowCount;
    }
    return table;
}

// A data provider over tables named by their commands, each made anew for
// each command (evaluation takes the values of the tables it is given),
// handing rows on two at a time; the columns named in `undecided` have no
// type until the end.
class TablesProvider {
public:
    std::map<std::string, std::function<std::shared_ptr<Table>()>> tables;
    std::set<std::string> undecided;
    int streamed = 0;
    int lookedUp = 0;
    // Commands whose rows no index finds.
    std::set<std::string> unindexed;

    // Finds a command's rows by a column's keys as an index would: each
    // key's rows in the table's order.
    ProviderLookup Lookup() {
        return [this](const std::string& command, const std::string& column,
                      const std::vector<PartKey>& keys) -> std::optional<std::shared_ptr<Table>> {
            if (unindexed.count(command)) {
                return std::nullopt;
            }
            ++lookedUp;
            const auto source = tables.at(command)();
            const std::size_t c = FindColumn(*source, column, "child level");
            const std::set<PartKey> wanted(keys.begin(), keys.end());
            auto found = std::make_shared<Table>();
            for (const auto& from : source->columns) {
                found->columns.push_back({from.name, from.type, {}, std::nullopt});
            }
            for (std::size_t row = 0; row < source->rowCount; ++row) {
                const Variant value = source->Cell(row, c);
                const auto number = source->columns[c].values.IntegerAt(row);
                const bool hit = (number && wanted.count(*number)) ||
                                 (std::holds_alternative<std::string>(value) &&
                                  wanted.count(std::get<std::string>(value)));
                if (!hit) {
                    continue;
                }
                for (std::size_t k = 0; k < source->columns.size(); ++k) {
                    found->columns[k].values.push_back(source->Cell(row, k));
                }
                ++found->rowCount;
            }
            return found;
        };
    }

    ProviderQuery Query() const {
        return [this](const std::string& command) { return tables.at(command)(); };
    }

    ProviderStream Stream() {
        return [this](const std::string& command, const std::function<void(Table&)>& take) {
            ++streamed;
            const auto source = tables.at(command)();
            for (std::size_t first = 0; first < source->rowCount; first += 2) {
                Table chunk;
                for (const auto& column : source->columns) {
                    Column& copy = chunk.columns.emplace_back();
                    copy.name = column.name;
                    copy.type = undecided.count(column.name) ? adEmpty : column.type;
                    for (std::size_t row = first; row < source->rowCount && row < first + 2;
                         ++row) {
                        copy.values.push_back(column.values[row]);
                    }
                }
                chunk.rowCount = chunk.columns.front().values.size();
                take(chunk);
            }
            return RowsFinisher([source](Table& rows) {
                rows.columns.resize(source->columns.size());
                for (std::size_t c = 0; c < rows.columns.size(); ++c) {
                    rows.columns[c].name = source->columns[c].name;
                    rows.columns[c].type = source->columns[c].type;
                }
            });
        };
    }
};

// Customers (one key twice, far apart, and one Null), their orders (keys
// written as other kinds of number, one order of nobody's), and the
// orders' items, related by two columns.
TablesProvider Shop() {
    TablesProvider provider;
    provider.tables["customers"] = [] {
        return MakeTable({{"Id", adInteger}, {"Name", adVarWChar}}, {{1, "Ann"},
                                                                     {2, "Bob"},
                                                                     {Null{}, "Nobody"},
                                                                     {3, "Cy"},
                                                                     {4, "Di"},
                                                                     {1, "Ann again"},
                                                                     {5, "Ed"}});
    };
    provider.tables["orders"] = [] {
        return MakeTable(
            {{"OrderId", adVarWChar}, {"CustomerId", adDouble}, {"Region", adVarWChar}},
            {{"o1", 1.0, "N"},
             {"o2", 2.0, "S"},
             {"o3", 1.0, "S"},
             {"o4", 9.0, "N"},
             {"o5", 5.0, "N"},
             {"o6", Null{}, "N"},
             {"o7", 3.5, "N"},
             {"o8", 4.0, "N"}});
    };
    provider.tables["items"] = [] {
        return MakeTable({{"Order", adVarWChar}, {"Region", adVarWChar}, {"Price", adCurrency}},
                         {{"o1", "N", Currency{15000}},
                          {"o1", "N", Currency{5000}},
                          {"o3", "S", Currency{1}},
                          {"o3", "N", Currency{7}},
                          {"o2", "S", Null{}},
                          {"o4", "N", Currency{2}},
                          {"o5", "N", Currency{30000}},
                          {"o8", "N", Currency{1}}});
    };
    return provider;
}

constexpr const char* kShopCommand =
    "SHAPE {customers} APPEND ((SHAPE {orders} APPEND ({items} RELATE OrderId TO Order, "
    "Region TO Region) AS Items, SUM(Items.Price) AS Total, COUNT(Items) AS N) "
    "RELATE Id TO CustomerId) AS Orders, SUM(Orders.Total) AS Owed";

std::vector<std::string> RowsOf(const std::shared_ptr<Table>& table) {
    auto recordset = RecordsetOver(table);
    return testing::CompactRows(*recordset);
}

struct Walked {
    std::vector<std::string> rows;
    std::size_t parts = 0;
};

enum class Lookups { Made, None };

Walked InParts(TablesProvider& provider, const std::string& command, std::size_t rowsPerPart,
               Lookups lookups = Lookups::None, int* streamedBeforeTheWalk = nullptr) {
    auto result = EvaluateInParts(
        std::make_shared<const ShapeCommand>(Parse(command)), provider.Query(), provider.Stream(),
        lookups == Lookups::Made ? provider.Lookup() : nullptr, rowsPerPart);
    if (streamedBeforeTheWalk) {
        *streamedBeforeTheWalk = provider.streamed;
    }
    Walked walked;
    for (auto part = result.first; part; part = result.rest ? result.rest->Next() : nullptr) {
        const auto rows = RowsOf(part);
        walked.rows.insert(walked.rows.end(), rows.begin(), rows.end());
        ++walked.parts;
    }
    return walked;
}

TEST(PartedEvaluation, EachPartIsWhatTheWholeGivesForItsRows) {
    TablesProvider provider = Shop();
    const auto whole = RowsOf(Evaluate(Parse(kShopCommand), provider.Query()));
    ASSERT_EQ(whole.size(), 7U);
    for (const std::size_t rowsPerPart : {1, 2, 3, 6}) {
        SCOPED_TRACE(rowsPerPart);
        const Walked walked = InParts(provider, kShopCommand, rowsPerPart);
        EXPECT_EQ(walked.rows, whole);
        EXPECT_EQ(walked.parts, (7 + rowsPerPart - 1) / rowsPerPart);
    }
}

// The shop with keys an index finds: whole numbers and texts, each level
// related by one column; Ann's key twice, far apart, and a Null key.
TablesProvider IndexedShop() {
    TablesProvider provider = Shop();
    provider.tables["orders"] = [] {
        return MakeTable({{"OrderId", adVarWChar}, {"CustomerId", adInteger}}, {{"o1", 1},
                                                                                {"o2", 2},
                                                                                {"o3", 1},
                                                                                {"o4", 9},
                                                                                {"o5", 5},
                                                                                {"o6", Null{}},
                                                                                {"o7", 3},
                                                                                {"o8", 4},
                                                                                {"o9", 1}});
    };
    return provider;
}

constexpr const char* kIndexedShopCommand =
    "SHAPE {customers} APPEND ((SHAPE {orders} APPEND ({items} RELATE OrderId TO Order) AS "
    "Items, SUM(Items.Price) AS Total) RELATE Id TO CustomerId) AS Orders, "
    "SUM(Orders.Total) AS Owed";

// The first part's rows are looked up before anything else is read; the
// parts after it are read as ever, once the walk passes it; each part is
// what the whole gives for its rows.
TEST(PartedEvaluation, TheFirstRowsLookedUpComeBeforeTheRestIsRead) {
    TablesProvider provider = IndexedShop();
    const auto whole = RowsOf(Evaluate(Parse(kIndexedShopCommand), provider.Query()));
    ASSERT_EQ(whole.size(), 7U);
    for (const std::size_t rowsPerPart : {1, 2, 3, 6}) {
        SCOPED_TRACE(rowsPerPart);
        provider.streamed = 0;
        provider.lookedUp = 0;
        int streamedFirst = -1;
        const Walked walked =
            InParts(provider, kIndexedShopCommand, rowsPerPart, Lookups::Made, &streamedFirst);
        EXPECT_EQ(walked.rows, whole);
        EXPECT_EQ(streamedFirst, 0);
        EXPECT_EQ(provider.lookedUp, 2);
        EXPECT_EQ(provider.streamed, 2);
        const std::size_t first = std::min(kFirstRows, rowsPerPart);
        EXPECT_EQ(walked.parts, 1 + (7 - first + rowsPerPart - 1) / rowsPerPart);
    }
}

// A level no index finds, or whose keys are of a kind a lookup would not
// find as the relation does, is read as ever: before the first part.
TEST(PartedEvaluation, WithoutALookupForEveryLevelTheFirstPartIsReadAsTheOthers) {
    struct Case {
        const char* name;
        std::function<TablesProvider()> provider;
        const char* command;
    };
    const std::vector<Case> cases = {
        {"a level no index finds",
         [] {
             TablesProvider provider = IndexedShop();
             provider.unindexed = {"items"};
             return provider;
         },
         kIndexedShopCommand},
        {"keys of numbers of another kind", Shop,
         "SHAPE {customers} APPEND ({orders} RELATE Id TO CustomerId) AS Orders"},
        {"a relation over two columns", Shop, kShopCommand},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TablesProvider provider = c.provider();
        const auto whole = RowsOf(Evaluate(Parse(c.command), provider.Query()));
        int streamedFirst = -1;
        const Walked walked = InParts(provider, c.command, 2, Lookups::Made, &streamedFirst);
        EXPECT_EQ(walked.rows, whole);
        EXPECT_GT(streamedFirst, 0);
        EXPECT_EQ(walked.parts, 4U);
    }
}

TEST(PartedEvaluation, WhatCannotBeSetAsideByItsKeysIsEvaluatedWhole) {
    const std::vector<std::pair<const char*, std::string>> commands = {
        {"an appended column left unnamed",
         "SHAPE {customers} APPEND ({orders} RELATE Id TO CustomerId) AS Orders, "
         "COUNT(Orders)"},
        {"a relation over an appended column",
         "SHAPE {customers} APPEND ({orders} RELATE Id TO CustomerId) AS Orders, "
         "COUNT(Orders) AS N, ({items} RELATE N TO Price) AS Odd"},
        {"a level that is a shape of a shape with columns of its own",
         "SHAPE {customers} APPEND ((SHAPE (SHAPE {orders} APPEND ({items} RELATE OrderId TO "
         "Order) AS I) APPEND ({items} RELATE OrderId TO Order) AS J) RELATE Id TO CustomerId) "
         "AS Orders"},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        TablesProvider provider = Shop();
        const auto whole = RowsOf(Evaluate(Parse(command), provider.Query()));
        const Walked walked = InParts(provider, command, 2);
        EXPECT_EQ(walked.rows, whole);
        EXPECT_EQ(walked.parts, 1U);
        EXPECT_EQ(provider.streamed, 0);
    }

    // A key whose type only its values decide is not known as its rows come.
    TablesProvider provider = Shop();
    provider.undecided = {"CustomerId"};
    const auto whole = RowsOf(Evaluate(Parse(kShopCommand), provider.Query()));
    const Walked walked = InParts(provider, kShopCommand, 2);
    EXPECT_EQ(walked.rows, whole);
    EXPECT_EQ(walked.parts, 1U);
}

// Three customers with ten thousand orders each: more than the file takes
// under a limit of 64 KB.
TablesProvider ManyOrders() {
    TablesProvider provider;
    provider.tables["customers"] = [] { return MakeTable({{"Id", adInteger}}, {{1}, {2}, {3}}); };
    provider.tables["orders"] = [] {
        std::vector<std::vector<Variant>> rows;
        for (int order = 0; order < 30000; ++order) {
            rows.push_back({order % 3 + 1, "order number " + std::to_string(order)});
        }
        return MakeTable({{"CustomerId", adInteger}, {"Label", adVarWChar}}, rows);
    };
    return provider;
}

TEST(PartedEvaluation, WhereTheFileWillNotServeTheResultIsWholeAndSaysWhy) {
    struct Case {
        const char* name;
        std::function<TablesProvider()> provider;
        const char* command;
        std::string folder;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"no temporary folder", Shop, kShopCommand, testing::kNoSuchFolder,
         std::string("the query's rows are kept in memory: cannot make a file in ") +
             testing::kNoSuchFolder + ": No such file or directory"},
        {"a file that fills up", ManyOrders,
         "SHAPE {customers} APPEND ({orders} RELATE Id TO CustomerId) AS Orders, "
         "COUNT(Orders) AS N",
         ::testing::TempDir(), "the query's rows are kept in memory: cannot write 262"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TablesProvider provider = c.provider();
        const auto whole = RowsOf(Evaluate(Parse(c.command), provider.Query()));
        testing::DiagnosticsCapture diagnostics;
        Walked walked;
        {
            const testing::TemporaryFolder folder(c.folder);
            const testing::FileSizeLimit limit(64 * 1024);
            walked = InParts(provider, c.command, 1);
        }
        EXPECT_EQ(walked.rows, whole);
        EXPECT_EQ(walked.parts, 1U);
        EXPECT_NE(diagnostics.Text().find(c.said), std::string::npos) << diagnostics.Text();
        EXPECT_EQ(std::count(diagnostics.Text().begin(), diagnostics.Text().end(), '\n'), 1)
            << diagnostics.Text();
    }
}

}  // namespace
}  // namespace kestrova::platform::shape
