#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrova {

// The running number at the end of a picture's name ("imgCustomer12" gives
// 12): plain decimal digits with an optional leading sign. Anything else,
// or a number outside 32 bits, gives none.
std::optional<std::int32_t> ImageNumber(std::string_view digits);

}  // namespace kestrova
