#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/recordset/Variant.h"

namespace kestrova::platform {

// A value as SQLite stores it.
struct StoredValue {
    enum Kind { Null, Integer, Real, Text, Blob } kind = Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;  // text or blob
};

// The value converted to the type of its column. A value that cannot be
// converted is kept as it is stored, as text: no data is dropped.
Variant ConvertStored(StoredValue&& value, std::int32_t typeCode);

// Whether a column of this type keeps stored text and blobs as they are,
// as text: a type that is no number, date, truth value or binary.
bool KeepsStoredText(std::int32_t typeCode);

// The stored value's own text ("12", "2.5", the text itself).
std::string StoredText(const StoredValue& value);

// 'YYYY-MM-DD' with an optional ' HH:MM' or ' HH:MM:SS' ("T" also
// separates; fractions of a second are dropped).
std::optional<Date> ParseIsoDate(std::string_view text);

// Whether SQLite's arithmetic on the value means what it says: an integer,
// a finite real, or text that reads as one. Text such as "abc" counts as 0
// there, and NaN or an infinity is no amount of anything.
bool IsFiniteNumber(const StoredValue& value);

// A decimal number as ten-thousandths, rounded half away from zero.
std::optional<Currency> ParseCurrency(std::string_view text);

// The shortest text that reads back as the same double.
std::string ShortestText(double value);

}  // namespace kestrova::platform
