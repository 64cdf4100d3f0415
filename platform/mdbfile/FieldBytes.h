#pragma once

#include <optional>
#include <string_view>

#include "platform/mdbfile/ColumnTraits.h"
#include "platform/mdbfile/FieldValue.h"

namespace kestrova::mdbfile {

// A value of column type `type` from its bytes as a row keeps them (or as a
// calculated column keeps its result): numbers, money, dates and extended
// dates, decimals (with the column's scale), text, GUIDs, Booleans, binary.
// nullopt when the bytes are not of the size or form the type has.
std::optional<SqlValue> ValueOfBytes(int type, std::string_view bytes, const ColumnTraits& traits);

// A calculated column's value from the bytes it stores: a wrapper that
// holds the result, of the column's result type; Null when the result is
// empty (an expression of Null operands); nullopt when the wrapper does
// not hold together.
std::optional<SqlValue> CalculatedValueOfBytes(std::string_view stored, const ColumnTraits& traits);

}  // namespace kestrova::mdbfile
