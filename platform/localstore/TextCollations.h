#pragma once

#include <sqlite3.h>

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/textorder/SortOrder.h"

namespace kestrova::platform {

// Text sorts and compares as the format's own engine sorts it: a column
// that names one of its orders as its collation (the .mdb reader names the
// order each column's definition holds) gets that order when a statement
// first needs it; an order Kestrova only has the nearest of is said once.
// Each General order also comes as a function that gives a value's sort
// key (see WithTextSortedBy).
void SortTextAsTheFormatDoes(sqlite3* database);

// The statement with its ORDER BY terms sorted in `order`, one of the
// General orders: each term as its sort key, made once a row instead of at
// every comparison (numbers and Null stay as they are, and sort as before).
// The terms of a compound select's ORDER BY, which must name result
// columns, and result column numbers get the order as their collation
// instead. A term that names a collation of its own keeps it, and so does
// a term that names a column of `columnsWithoutText` (lower case): dates,
// numbers, which sort as they are and need no key.
std::string WithTextSortedBy(std::string_view statement, const textorder::SortOrder& order,
                             const std::set<std::string>& columnsWithoutText);

// The names (lower case) of the columns that are declared to hold no text
// in every table of the database that has a column of that name.
std::set<std::string> ColumnsWithoutText(sqlite3* database);

// The one General order every text column of the database's tables names,
// or nullopt when they name none or several.
std::optional<textorder::SortOrder> OneGeneralOrderOf(sqlite3* database);

}  // namespace kestrova::platform
