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

// Groups the child rows by the related columns (in one pass over each
// table) and gives every parent row its children, in the child's order.
Chapter BuildChapter(const Table& parent, const std::vector<std::size_t>& parentColumns,
                     std::shared_ptr<Table> child, const std::vector<std::size_t>& childColumns);

}  // namespace kestrova::platform::shape
