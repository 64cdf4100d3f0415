#include "data/CustomerOrderQuery.h"

namespace kestrova {

std::string CustomerOrderQuery() {
    std::string query;
    for (const auto piece : kCustomerOrderQueryPieces) {
        query += piece;
    }
    return query;
}

std::string CustomerDatabaseConnectionString(const std::string& applicationDirectory) {
    return "Data Provider=LocalStore.4.0;" + std::string("Data Source=") + applicationDirectory +
           "\\AdvWorks.mdb";
}

}  // namespace kestrova
