#include "tests/battery/SpecialFiles.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "tests/data/FixtureDatabase.h"

namespace kestrova::testing {

namespace {

void Run(sqlite3* database, const std::string& sql) {
    if (sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw std::runtime_error("fixture SQL failed: " + std::string(sqlite3_errmsg(database)));
    }
}

}  // namespace

void MakeDatabaseWithUncheckpointedLog(const std::string& database) {
    ExecuteSql(database, std::string(kCustomerOrdersSql) +
                             "PRAGMA journal_mode = WAL;"
                             "INSERT INTO Customers (CustomerID, CompanyName) "
                             "VALUES (100, 'Before the log');");
    sqlite3* connection = nullptr;
    sqlite3_open(database.c_str(), &connection);
    sqlite3_db_config(connection, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    Run(connection,
        "PRAGMA wal_autocheckpoint = 0;"
        "INSERT INTO Customers (CustomerID, CompanyName) VALUES (101, 'Only in the log');");
    sqlite3_close(connection);
    std::filesystem::remove(database + "-shm");
}

void MakeDatabaseWithUnfinishedChange(const std::string& database) {
    ExecuteSql(database,
               std::string(kEmptyTablesSql) +
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                   "INSERT INTO Customers SELECT i, 'Committed' FROM n;");
    // A writer whose cache is too small for its change spills the changed
    // pages into the file before it commits, then dies.
    const pid_t writer = fork();
    if (writer == 0) {
        sqlite3* connection = nullptr;
        sqlite3_open(database.c_str(), &connection);
        sqlite3_exec(connection,
                     "PRAGMA cache_size = 1; BEGIN;"
                     "UPDATE Customers SET CompanyName = 'Unfinished' || hex(randomblob(40));",
                     nullptr, nullptr, nullptr);
        _exit(0);
    }
    waitpid(writer, nullptr, 0);
    if (!std::filesystem::exists(database + "-journal")) {
        throw std::runtime_error("the writer left no journal");
    }
}

}  // namespace kestrova::testing
