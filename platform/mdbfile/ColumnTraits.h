#pragma once

// The library's header includes glib's inside its own extern "C".
#include <glib.h>
#include <mdbtools.h>

#include <cstdint>
#include <vector>

namespace kestrova::mdbfile {

// What the library leaves out of a column's definition, read from the
// table's definition pages themselves.
struct ColumnTraits {
    // A calculated column (ACE 14 and later) keeps its expression's result
    // in each row, wrapped; see CalculatedValue.h.
    bool calculated = false;
    // The type of the stored values: a calculated column's result type
    // where its properties name one, else the column's own.
    int valueType = 0;
    // A decimal column's digits and how many of them follow the point.
    int precision = 0;
    int scale = 0;
    // A text column's sort order: its language id and, from Jet 4 on, the
    // version of the order (0 before Access 2010).
    std::uint16_t sortLanguage = 0;
    unsigned sortVersion = 0;
    // The code page of a Jet 3 text column (1252 for Western Europe).
    unsigned codePage = 0;
};

// The traits of each of `table`'s columns, in the order of its `columns`
// (read with mdb_read_columns). A column whose definition cannot be found
// keeps its own type and no scale.
std::vector<ColumnTraits> ReadColumnTraits(MdbHandle* mdb, MdbTableDef* table);

}  // namespace kestrova::mdbfile
