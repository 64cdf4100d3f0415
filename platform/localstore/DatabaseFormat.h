#pragma once

#include <string>

namespace kestrova::platform {

enum class DatabaseFormat { Sqlite, ClassicMdb };

// The format of a database file, told by its first bytes, never by its
// name: the classic .mdb format (Jet and its successor ACE) names itself
// there. Anything else is handed to SQLite, which says whether it is a
// database. Fails when the file cannot be read.
DatabaseFormat FormatOf(const std::string& path);

}  // namespace kestrova::platform
