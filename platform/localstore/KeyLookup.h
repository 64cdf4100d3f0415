#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrova::platform::sql {

// A key a lookup asks for: a whole number or a text.
using LookupKey = std::variant<std::int64_t, std::string>;

// The SELECT statement cut down to the rows whose result column `column`
// (of `columns`) holds one of `keys`: the condition joined to its WHERE
// clause, or a WHERE clause of its own before the ORDER BY. nullopt for a
// statement it cannot be said of so simply: no plain SELECT (WITH, a
// compound select, VALUES), or one whose rows the condition would change
// otherwise (DISTINCT, GROUP BY, HAVING, LIMIT, a window), or whose select
// list does not give its columns one to one (as "*" does), or a key that
// holds a NUL character.
std::optional<std::string> WithKeysIn(std::string_view statement, std::size_t column,
                                      std::size_t columns, const std::vector<LookupKey>& keys);

// Whether two query plans (EXPLAIN QUERY PLAN's lines, in order) read
// their rows in the same order but for one table, which the first scans in
// the order it keeps its rows and the second searches through an index of
// the looked-up column: then the rows of each key come in the same order
// from both, what the plans sort included.
bool SameOrderThroughAnIndex(const std::vector<std::string>& whole,
                             const std::vector<std::string>& lookedUp);

}  // namespace kestrova::platform::sql
