#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrova::mdbfile {

using NoteSink = std::function<void(const std::string&)>;

// Reads the user tables of `path`, a database file of the classic .mdb
// format, whose names are among `names` (ASCII case ignored) into a new
// in-memory SQLite database, and gives that database's image. A name of
// the form table, kIndexSeparator, column (ReaderArguments.h) asks for an
// index of that column in the copy. No names reads none and only
// checks that the file opens and its tables can be listed. A value that
// cannot be read is left Null and told to `note`. Fails
// (std::runtime_error) naming what could not be read.
std::string CopyTablesToSqlite(const std::string& path, const std::vector<std::string>& names,
                               const NoteSink& note);

}  // namespace kestrova::mdbfile
