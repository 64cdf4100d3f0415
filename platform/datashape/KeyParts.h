#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/recordset/Table.h"

namespace kestrova::platform::shape {

// A row's key over the related columns: a whole number where the key is
// one (the most common case, kept without making text of it), else its
// text. Two rows relate exactly when their keys are equal.
using PartKey = std::variant<std::int64_t, std::string>;

// The key of `row` over `columns`; nullopt where a column is Null, which
// relates to nothing.
std::optional<PartKey> KeyOf(const Table& table, const std::vector<std::size_t>& columns,
                             std::size_t row);

// Which parts of a result hold a parent row of each key: collected while
// the parent rows are placed, then sealed and asked for each child row.
class KeyParts {
public:
    void Add(PartKey key, std::uint32_t part);
    // Sorts what was added; call once, after the last Add.
    void Seal();
    // Puts into `parts` the parts holding a parent of `key`, each once, in
    // order.
    void PartsOf(const PartKey& key, std::vector<std::uint32_t>& parts) const;

private:
    std::vector<std::pair<std::int64_t, std::uint32_t>> numbers_;
    std::vector<std::pair<std::string, std::uint32_t>> texts_;
};

}  // namespace kestrova::platform::shape
