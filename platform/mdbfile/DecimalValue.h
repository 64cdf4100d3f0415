#pragma once

#include <optional>
#include <string_view>

#include "platform/mdbfile/FieldValue.h"

namespace kestrova::mdbfile {

// A decimal number given as its sign, its digits as one whole number and
// its scale (how many of those digits follow the point), stored as the
// number itself, as money is: an integer when it is whole, else a double
// when that reads back as exactly these digits, else its exact decimal
// text ("-12.50").
SqlValue DecimalValue(bool negative, unsigned __int128 digits, int scale);

// A decimal column's stored value: 17 bytes, a sign byte (0x80 for
// negative) and the digits as four 32-bit words, the most significant
// first, each little-endian; the scale is the column's. nullopt when the
// bytes are not that.
std::optional<SqlValue> StoredDecimalValue(std::string_view bytes, int scale);

// A calculated column's decimal result: 16 bytes, two unused, the scale,
// the sign byte, then the digits as a 32-bit high part and a 64-bit low
// part, both little-endian.
std::optional<SqlValue> CalculatedDecimalValue(std::string_view bytes);

}  // namespace kestrova::mdbfile
