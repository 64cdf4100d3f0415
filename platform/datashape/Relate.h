#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/recordset/Table.h"

namespace kestrova::platform::shape {

// The key by which a value is related; values of different number types
// that are equal give the same key. Null gives none: it equals nothing.
std::optional<std::string> RelateKey(const Variant& value);

// A row's key over several columns, their keys joined so that no two rows
// of different keys give the same; nullopt when any of them is Null.
std::optional<std::string> RowKey(const Table& table, const std::vector<std::size_t>& columns,
                                  std::size_t row);

// Groups the child rows by the related columns (in one pass over each
// table) and gives every parent row its children, in the child's order.
Chapter BuildChapter(const Table& parent, const std::vector<std::size_t>& parentColumns,
                     std::shared_ptr<Table> child, const std::vector<std::size_t>& childColumns);

}  // namespace kestrova::platform::shape
