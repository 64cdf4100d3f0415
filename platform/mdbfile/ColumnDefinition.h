#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrova::mdbfile {

// Where a table definition keeps its columns, in one version of the
// format (the library's format constants).
struct DefinitionLayout {
    std::size_t columnCountAt = 0;
    std::size_t indexCountAt = 0;
    std::size_t firstEntryAt = 0;  // past the header, before the indexes' entries
    std::size_t indexEntrySize = 0;
    std::size_t columnEntrySize = 0;
    std::size_t columnNumberAt = 0;  // in a column's entry
    std::size_t flagsAt = 0;         // in a column's entry; the extra flags follow
    bool jet3 = false;
    bool mayBeCalculated = false;  // ACE 14 and later
};

// What a column's entry in a table definition says.
struct DefinedColumn {
    int type = 0;
    unsigned number = 0;  // the column's number among the row's fields
    // A decimal column's digits and how many of them follow the point; the
    // same bytes hold a text column's sort order (its language id).
    int precision = 0;
    int scale = 0;
    std::uint16_t sortLanguage = 0;
    unsigned sortVersion = 0;  // from Jet 4 on: 0 before Access 2010
    unsigned codePage = 0;     // Jet 3 text
    bool calculated = false;
};

// The column entries of a table definition (its pages joined), as many as
// lie whole inside the bytes; none when the header or the index entries
// reach beyond them.
std::vector<DefinedColumn> DefinedColumns(std::string_view definition,
                                          const DefinitionLayout& layout);

}  // namespace kestrova::mdbfile
