#pragma once

#include <string>

namespace kestrova::testing {

// Writes the tables of the SQLite database `sqliteFile`, in the order they
// were made, as a new classic .mdb file `mdbFile`: one fixture serves both
// formats. Each column takes the classic type its declaration names
// (INTEGER long, SMALLINT integer, BYTE, CURRENCY, DATETIME, DOUBLE,
// SINGLE, BOOLEAN, MEMO; anything else text); dates are read from their ISO
// text. A text column sorts in General as Access 2000 writes it, or as its
// declaration says: "TEXT LCID(1053)" in another language's order, "TEXT
// SORT2010" in General as Access 2010 writes it. Throws when a value does
// not suit its column in that format.
void CopyToClassicMdb(const std::string& sqliteFile, const std::string& mdbFile);

}  // namespace kestrova::testing
