#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/recordset/ColumnValues.h"
#include "platform/recordset/Variant.h"

namespace kestrova::platform {

struct Table;

// The child rows of every parent row: the rows of parent row r are
// rows[offsets[r]] up to rows[offsets[r + 1]], in the child's own order.
struct Chapter {
    std::shared_ptr<Table> child;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> rows;
};

// One field of a level: its values row by row, or for a chapter field the
// child rows of every row.
struct Column {
    std::string name;
    std::int32_t type = 0;
    ColumnValues values;             // empty for a chapter column
    std::optional<Chapter> chapter;  // set for a chapter column
};

// A level of a shaped result, fully read.
struct Table {
    std::vector<Column> columns;
    std::size_t rowCount = 0;

    Variant Cell(std::size_t row, std::size_t column) const { return columns[column].values[row]; }
};

// The tables after the first of a result too large to hold at once: each
// next table's rows follow those of the one before, with the same columns.
class TableParts {
public:
    virtual ~TableParts() = default;
    // The next table; nullptr once there is none.
    virtual std::shared_ptr<Table> Next() = 0;
};

// A result: its first table, and the rest when it comes in parts.
struct PartedTable {
    std::shared_ptr<Table> first;
    std::unique_ptr<TableParts> rest;
};

}  // namespace kestrova::platform
