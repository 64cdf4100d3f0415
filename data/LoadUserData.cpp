#include <memory>

#include "data/CustomerOrderQuery.h"
#include "platform/connection/Connection.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Require.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;

// Each step runs whatever happened before it; when the database cannot be
// opened, mrsCustomers ends as a recordset that is not open.
void Form1::LoadUserData() {
    std::unique_ptr<platform::Connection> connection;
    Attempt("loading the data: creating the connection",
            [&] { connection = std::make_unique<platform::Connection>(); });
    Attempt("loading the data: setting the connection string", [&] {
        runtime::Require(connection, "connection").ConnectionString =
            CustomerDatabaseConnectionString(runtime::AppPath());
    });
    Attempt("loading the data: choosing the provider",
            [&] { runtime::Require(connection, "connection").Provider = "DataShape"; });
    Attempt("loading the data: setting the mode",
            [&] { runtime::Require(connection, "connection").Mode = 3; });
    Attempt("loading the data: opening the database",
            [&] { runtime::Require(connection, "connection").Open("", "", "", -1); });
    std::string command;
    Attempt("loading the data: building the query", [&] { command = CustomerOrderQuery(); });
    Attempt("loading the data: creating the customers recordset",
            [&] { mrsCustomers = std::make_shared<platform::Recordset>(); });
    Attempt("loading the data: running the customer order query", [&] {
        runtime::Require(mrsCustomers, "customers recordset")
            .Open(command, runtime::Require(connection, "connection"), -1, -1, -1);
    });
}

}  // namespace kestrova
