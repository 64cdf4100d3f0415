#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/textorder/TextOrder.h"
#include "tests/HangGuard.h"
#include "tests/battery/Json.h"
#include "tests/battery/ProgramRun.h"

// The real files keep indexes on text columns, whose pages hold the
// format's own engine's keys in its own order. Kestrova's ORDER BY on each
// such column gives the rows in that order, in the index's direction, up
// to rows whose keys are equal.

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using platform::textorder::Generation;
using testing::Json;

const fs::path kBuilt = KESTROVA_BUILT_APPDIR;
const fs::path kFiles = fs::path(KESTROVA_SOURCE_DIR) / "tests/data/access-files";

struct WalkedIndex {
    std::string table;
    std::string column;
    bool descending = false;
    std::vector<long> places;  // the rows in index order, by their place in the table
};

std::vector<WalkedIndex> WalkIndexes(const fs::path& file) {
    const auto run =
        testing::RunProgram({KESTROVA_INDEX_WALK, file.string()}, testing::HangGuard(60));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<WalkedIndex> indexes;
    std::istringstream lines(run.out);
    for (std::string header, places; std::getline(lines, header) && std::getline(lines, places);) {
        std::istringstream fields(header);
        WalkedIndex index;
        std::string word;
        std::string direction;
        std::getline(fields, word, '\t');
        std::getline(fields, index.table, '\t');
        std::getline(fields, index.column, '\t');
        std::getline(fields, direction);
        index.descending = direction == "desc";
        std::istringstream numbers(places);
        for (long place = 0; numbers >> place;) {
            index.places.push_back(place);
        }
        indexes.push_back(std::move(index));
    }
    return indexes;
}

// One column's values as Kestrova's providers give them, in the order of
// the statement.
std::vector<Json> Values(const fs::path& file, const std::string& statement) {
    const auto run = testing::RunProgram(
        {(kBuilt / "kestrova-shape").string(), file.string(), statement}, testing::HangGuard(60));
    EXPECT_EQ(run.exitCode, 0) << statement << "\n" << run.err;
    std::vector<Json> values;
    try {
        const Json result = testing::ParseJson(run.out);
        for (const auto& row : result.Find("rows")->items) {
            values.push_back(row.items.at(0));
        }
    } catch (const std::exception& error) {
        ADD_FAILURE() << statement << ": " << error.what() << "\n" << run.out.substr(0, 300);
    }
    return values;
}

Generation GenerationOf(const std::string& file) {
    if (file.rfind("V1997_", 0) == 0) {
        return Generation::General1997;
    }
    return file.rfind("V2000_", 0) == 0 ? Generation::GeneralLegacy : Generation::General2010;
}

std::string Shown(const std::vector<Json>& values) {
    std::string shown;
    for (const auto& value : values) {
        shown += value.Written() + " ";
    }
    return shown;
}

bool Equal(platform::textorder::TextOrder& order, const Json& a, const Json& b) {
    if (a.kind != Json::String || b.kind != Json::String) {
        return a.kind == b.kind;
    }
    return order.Compare(a.text, b.text) == 0;
}

// `ours` holds the rows of `engine`'s order, where each run of rows whose
// keys are equal may come in any order.
void ExpectSameOrderUpToEqualKeys(platform::textorder::TextOrder& order,
                                  const std::vector<Json>& engine, const std::vector<Json>& ours) {
    ASSERT_EQ(engine.size(), ours.size());
    for (std::size_t start = 0; start < engine.size();) {
        std::size_t end = start + 1;
        while (end < engine.size() && Equal(order, engine[start], engine[end])) {
            ++end;
        }
        std::multiset<std::string> expected;
        std::multiset<std::string> seen;
        for (std::size_t i = start; i < end; ++i) {
            expected.insert(engine[i].Written());
            seen.insert(ours[i].Written());
        }
        ASSERT_EQ(seen, expected) << "at row " << start << "\nengine: " << Shown(engine)
                                  << "\nours:   " << Shown(ours);
        start = end;
    }
}

TEST(IndexOrder, OrderByOnEveryIndexedTextColumnOfTheRealFilesIsTheEnginesOwnOrder) {
    int compared = 0;
    std::string notWalked;
    for (const auto& entry : fs::directory_iterator(kFiles)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".mdb" && entry.path().extension() != ".accdb") {
            continue;
        }
        std::string note;
        auto order = platform::textorder::MakeTextOrder(
            {platform::textorder::SortOrder::kGeneral, GenerationOf(name)}, note);
        // A table's column as it stands, read once for its indexes.
        std::map<std::string, std::vector<Json>> read;
        for (const auto& index : WalkIndexes(entry.path())) {
            SCOPED_TRACE(name + " " + index.table + "." + index.column +
                         (index.descending ? " descending" : ""));
            const std::string column = "[" + index.column + "]";
            const std::string from = " FROM [" + index.table + "]";
            auto [stored, added] = read.try_emplace(index.table + "." + index.column);
            if (added) {
                stored->second = Values(entry.path(), "SELECT " + column + from);
            }
            const auto& table = stored->second;
            // An index that ignores Nulls holds none of them.
            std::vector<Json> ours =
                Values(entry.path(), "SELECT " + column + from + " ORDER BY " + column +
                                         (index.descending ? " DESC" : ""));
            std::size_t nulls = 0;
            for (const auto& value : table) {
                nulls += value.kind == Json::Null;
            }
            if (index.places.size() + nulls == table.size() && nulls > 0) {
                std::erase_if(ours, [](const Json& value) { return value.kind == Json::Null; });
            }
            std::vector<Json> engine;
            for (const long place : index.places) {
                if (place < 0 || static_cast<std::size_t>(place) >= table.size()) {
                    engine.clear();
                    break;
                }
                engine.push_back(table[static_cast<std::size_t>(place)]);
            }
            if (engine.size() != ours.size()) {
                // mdbtools cannot walk every index (a few of more than one
                // page): those are left out, and listed.
                notWalked += " " + name + ":" + index.table + "." + index.column;
                continue;
            }
            ExpectSameOrderUpToEqualKeys(*order, engine, ours);
            ++compared;
        }
    }
    std::cerr << compared << " indexes compared; not walked:" << notWalked << "\n";
    EXPECT_GE(compared, 60);
}

}  // namespace
}  // namespace kestrova
