// kestrova-bench-walk shaped|sqlite FILE: reads the whole customer order
// query on FILE and prints the seconds it took and the values read.
//   shaped: opens it through the shaping provider and walks all three
//           levels, reading every value, as the renderer does;
//   sqlite: runs its three SELECT statements through the SQLite C API and
//           reads every value, with no relating and no aggregates.

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/CustomerOrderQuery.h"
#include "platform/connection/Connection.h"
#include "platform/recordset/Recordset.h"
#include "platform/runtime/MemoryPolicy.h"

namespace {

using Clock = std::chrono::steady_clock;

long Walk(kestrova::platform::Recordset& rs) {
    long values = 0;
    const auto fields = rs.Fields();
    const auto count = fields.Count();
    for (; !rs.EOF(); rs.MoveNext()) {
        for (std::int32_t i = 0; i < count; ++i) {
            const auto value = fields.Item(i).Value();
            if (const auto* child =
                    std::get_if<std::shared_ptr<kestrova::platform::Recordset>>(&value)) {
                values += Walk(**child);
            }
            ++values;
        }
    }
    return values;
}

long Shaped(const char* file) {
    kestrova::platform::Connection connection;
    connection.ConnectionString = std::string("Data Provider=LocalStore.4.0;Data Source=") + file;
    connection.Provider = "DataShape";
    connection.Open();
    kestrova::platform::Recordset customers;
    customers.Open(kestrova::CustomerOrderQuery(), connection);
    return Walk(customers);
}

long Sqlite(const char* file) {
    // The three provider commands of the customer order query, as written.
    const std::string query = kestrova::CustomerOrderQuery();
    sqlite3* database = nullptr;
    sqlite3_open_v2(file, &database, SQLITE_OPEN_READONLY, nullptr);
    long values = 0;
    for (std::size_t start = query.find('{'); start != std::string::npos;
         start = query.find('{', start + 1)) {
        const std::string select = query.substr(start + 1, query.find('}', start) - start - 1);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(database, select.c_str(), -1, &statement, nullptr);
        const int columns = sqlite3_column_count(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                if (sqlite3_column_type(statement, c) == SQLITE_TEXT) {
                    values += sqlite3_column_bytes(statement, c) > 0;
                }
                sqlite3_column_text(statement, c);
                ++values;
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(database);
    return values;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 || (std::strcmp(argv[1], "shaped") != 0 && std::strcmp(argv[1], "sqlite") != 0)) {
        std::fprintf(stderr, "usage: kestrova-bench-walk shaped|sqlite FILE\n");
        return 2;
    }
    // Both walks run under the memory policy the program runs start-up with.
    const kestrova::runtime::LargeBlockReuse reuse;
    const auto start = Clock::now();
    const long values = std::strcmp(argv[1], "shaped") == 0 ? Shaped(argv[2]) : Sqlite(argv[2]);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%.6f %ld\n", seconds, values);
    return 0;
}
