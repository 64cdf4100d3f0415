#pragma once

#include <string>

namespace kestrova::testing {

// A database in write-ahead-log mode whose log still holds the last
// committed changes (its writer did not checkpoint, and left no index):
// "Before the log" is in the database file, "Only in the log" only in the log.
void MakeDatabaseWithUncheckpointedLog(const std::string& database);

// A database whose writer stopped in the middle of a change: the changed
// pages are already in the file and the rollback journal beside it is hot.
// The last committed customer is "Committed"; the unfinished change would
// have renamed every customer "Unfinished".
void MakeDatabaseWithUnfinishedChange(const std::string& database);

}  // namespace kestrova::testing
