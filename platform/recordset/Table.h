#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/recordset/Variant.h"

namespace kestrova::platform {

struct Table;

// The child rows of every parent row: the rows of parent row r are
// rows[offsets[r]] up to rows[offsets[r + 1]], in the child's own order.
struct Chapter {
    std::shared_ptr<const Table> child;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> rows;
};

struct Column {
    std::string name;
    std::int32_t type = 0;
    std::optional<Chapter> chapter;  // set for a chapter column
};

// A level of a shaped result, fully read: the cells are stored row by row;
// a chapter column's cells are Empty, its rows come from `chapter`.
struct Table {
    std::vector<Column> columns;
    std::vector<Variant> cells;
    std::size_t rowCount = 0;

    const Variant& Cell(std::size_t row, std::size_t column) const {
        return cells[row * columns.size() + column];
    }
};

}  // namespace kestrova::platform
