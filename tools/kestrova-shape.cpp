// kestrova-shape FILE COMMAND: runs a shape command (or a plain query) on
// the database FILE (SQLite or classic .mdb) through the program's
// providers and prints the result as one JSON document.

#include <cstdio>
#include <exception>

#include "platform/connection/Connection.h"
#include "platform/recordset/Recordset.h"
#include "tools/JsonWriter.h"

int main(int argc, char* argv[]) {
    using namespace kestrova;
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrova-shape FILE COMMAND\n");
        return 2;
    }
    try {
        platform::Connection connection;
        connection.ConnectionString =
            std::string("Data Provider=LocalStore.4.0;Data Source=") + argv[1];
        connection.Provider = "DataShape";
        connection.Mode = 3;
        connection.Open();
        platform::Recordset recordset;
        recordset.Open(argv[2], connection);
        const std::string json = tools::RecordsetJson(recordset) + "\n";
        std::fwrite(json.data(), 1, json.size(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kestrova-shape: %s\n", error.what());
        return 1;
    }
}
