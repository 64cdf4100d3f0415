#pragma once

#include <cstdint>
#include <string>

namespace kestrova::platform::textorder {

// The name Access gives the sort order of a language id ("Swedish/Finnish"
// for 1053), or else ICU's name of the language, or else the number.
std::string SortOrderName(std::uint16_t language);

}  // namespace kestrova::platform::textorder
