#pragma once

#include <cstdint>
#include <string>

namespace kestrova::mdbfile {

// A value as it is put into SQLite.
struct SqlValue {
    enum Kind { Null, Integer, Real, Text, Blob } kind = Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;  // text or blob

    static SqlValue OfInteger(std::int64_t value) { return {Integer, value, 0, {}}; }
    static SqlValue OfReal(double value) { return {Real, 0, value, {}}; }
    static SqlValue OfText(std::string text) { return {Text, 0, 0, std::move(text)}; }
    static SqlValue OfBlob(std::string bytes) { return {Blob, 0, 0, std::move(bytes)}; }
};

// A currency amount given in ten-thousandths, stored as the amount itself
// so that SQL arithmetic and comparisons on it mean what they say: an
// integer when whole, else a double when it reads back exactly, else its
// exact decimal text.
SqlValue MoneyValue(std::int64_t tenThousandths);

// A date/time (days since 1899-12-30, the fraction being the time of day)
// as 'YYYY-MM-DD' or 'YYYY-MM-DD HH:MM:SS', to the nearest second; a value
// outside the years 100 to 9999, or no number at all, stays a double.
SqlValue DateTimeValue(double days);

// A GUID's 16 bytes as the text the format's own program shows:
// "{01234567-89AB-CDEF-0123-456789ABCDEF}".
std::string GuidText(const unsigned char* bytes);

// The declared SQLite column type for a column type of the format, or
// nullptr for types that are not read.
const char* DeclaredTypeOf(int columnType);

}  // namespace kestrova::mdbfile
