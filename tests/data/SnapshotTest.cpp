#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "tests/HangGuard.h"
#include "tests/data/CompactRows.h"
#include "tests/data/FixtureDatabase.h"

namespace kestrova {
namespace {

// 300 orders of four items each, all of generation 0.
constexpr const char* kGenerations = R"sql(
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, Generation INTEGER);
CREATE TABLE Items (OrderID INTEGER, Generation INTEGER);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO Orders SELECT i, 0 FROM n;
INSERT INTO Items SELECT OrderID, 0 FROM Orders, (SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3
                                                  UNION ALL SELECT 4);
)sql";

constexpr const char* kOrdersWithItems =
    "SHAPE {SELECT OrderID, Generation FROM Orders ORDER BY OrderID} "
    "APPEND ({SELECT OrderID, Generation FROM Items} RELATE OrderID TO OrderID) AS Items";

// Another program that sets a new generation into every order and every
// item, in one transaction each time, as fast as it can.
class GenerationWriter {
public:
    explicit GenerationWriter(const std::string& file)
        : thread_([this, file] {
              sqlite3* connection = nullptr;
              sqlite3_open(file.c_str(), &connection);
              sqlite3_busy_timeout(connection, 60000);
              sqlite3_exec(connection, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
              while (!stop_) {
                  const std::string generation = std::to_string(commits_ + 1);
                  const std::string change =
                      "BEGIN IMMEDIATE; UPDATE Orders SET Generation = " + generation +
                      "; UPDATE Items SET Generation = " + generation + "; COMMIT;";
                  if (sqlite3_exec(connection, change.c_str(), nullptr, nullptr, nullptr) ==
                      SQLITE_OK) {
                      ++commits_;
                  } else {
                      sqlite3_exec(connection, "ROLLBACK", nullptr, nullptr, nullptr);
                  }
              }
              sqlite3_close(connection);
          }) {}
    ~GenerationWriter() {
        stop_ = true;
        thread_.join();
    }
    long Commits() const { return commits_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<long> commits_{0};
    std::thread thread_;
};

// How many orders of a read show items of another generation than their own.
// A row reads "OrderID|Generation|<OrderID|Generation;...>".
int TornOrders(const std::vector<std::string>& rows) {
    int torn = 0;
    for (const auto& row : rows) {
        const auto first = row.find('|');
        const auto chapter = row.find("|<");
        const std::string generation = row.substr(first + 1, chapter - first - 1);
        const std::string items = row.substr(chapter + 2, row.size() - chapter - 3);
        std::size_t at = 0;
        bool mixed = false;
        while (at < items.size()) {
            const auto end = std::min(items.find(';', at), items.size());
            const std::string item = items.substr(at, end - at);
            mixed |= item.substr(item.find('|') + 1) != generation;
            at = end + 1;
        }
        torn += mixed;
    }
    return torn;
}

// Reads the orders with their items, while the writer commits, until at
// least 40 reads and 40 commits have interleaved; gives the reads that were
// torn, with an example.
void ExpectNoTornRead(const std::string& file, std::optional<std::size_t> rowsPerPart) {
    GenerationWriter writer(file);
    while (writer.Commits() < 3) {
        std::this_thread::yield();
    }
    const long commitsBefore = writer.Commits();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(testing::HangGuard(60));
    int reads = 0;
    int tornReads = 0;
    std::string example;
    while ((reads < 40 || writer.Commits() - commitsBefore < 40) &&
           std::chrono::steady_clock::now() < deadline) {
        auto orders = testing::OpenShaped(file, kOrdersWithItems, rowsPerPart);
        const auto rows = testing::CompactRows(*orders);
        ASSERT_EQ(rows.size(), 300u);
        ++reads;
        if (TornOrders(rows) > 0) {
            ++tornReads;
            example = rows.front();
        }
    }
    EXPECT_EQ(tornReads, 0) << "of " << reads << " reads; for instance " << example;
    EXPECT_GE(writer.Commits() - commitsBefore, 40) << "the writer hardly ran";
}

TEST(Snapshot, EveryLevelOfAShapeCommandComesFromTheSameCommit) {
    testing::FixtureFolder folder;
    ExpectNoTornRead(folder.Database("orders.db", kGenerations), std::nullopt);
}

// The first part's items looked up through an index, the rest read when the
// walk passes it: all from the commit the orders came from.
TEST(Snapshot, ThePartsOfAResultComeFromTheCommitItsFirstPartCameFrom) {
    testing::FixtureFolder folder;
    ExpectNoTornRead(
        folder.Database("orders.db", std::string(kGenerations) +
                                         "CREATE INDEX ItemsByOrder ON Items (OrderID);"),
        50);
}

}  // namespace
}  // namespace kestrova
