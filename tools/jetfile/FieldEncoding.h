#pragma once

#include <string>

#include "tools/jetfile/JetFile.h"

namespace kestrova::jetfile {

// A value's bytes as the format keeps them in a row. The writer's rows are
// made of these; tests hold the reader's decoding against them.

// UTF-16 little-endian, as the format keeps names and its password; a byte
// of `utf8` that starts no valid sequence becomes U+FFFD.
std::string Utf16(const std::string& utf8);

// Text (and memo) as a row keeps it: UTF-16 little-endian, but for a text
// whose first character would make it read as the compressed form.
std::string EncodedText(const std::string& utf8);

// A value of a fixed-size column: 1 to 8 bytes, little-endian; a Boolean
// has none (it is its bit in the row's null mask). Fails
// (std::runtime_error) when the value is not of the column's kind.
std::string EncodedFixed(ColumnType type, const Value& value, const std::string& column);

// A decimal (numeric) value: a sign byte, then the digits as an unsigned
// 128-bit number in four 32-bit little-endian words, the most significant
// first. The scale is the column's.
std::string EncodedDecimal(bool negative, unsigned __int128 digits);

}  // namespace kestrova::jetfile
