#pragma once

#include <optional>
#include <string_view>

#include "platform/mdbfile/FieldValue.h"

namespace kestrova::mdbfile {

// An extended date/time as the format stores it: 42 ASCII bytes, the days
// since 0001-01-01 (19 digits), ':', the seconds of that day (12 digits)
// and their ten-millionths (7), then ":7" and a zero byte. Gives the date
// as 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM:SS' or 'YYYY-MM-DD HH:MM:SS.fffffff';
// nullopt when the bytes are none of that.
std::optional<SqlValue> ExtendedDateValue(std::string_view stored);

}  // namespace kestrova::mdbfile
