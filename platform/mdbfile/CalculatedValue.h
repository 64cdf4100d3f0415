#pragma once

#include <optional>
#include <string_view>

namespace kestrova::mdbfile {

// The result a calculated column keeps in a row, unwrapped: the stored
// value is 16 bytes, the result's length (4 bytes, little-endian), the
// result, and 3 bytes more. nullopt when the length does not fit.
std::optional<std::string_view> CalculatedResult(std::string_view stored);

}  // namespace kestrova::mdbfile
