#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace kestrova::platform {

class Recordset;

struct Empty {
    bool operator==(const Empty&) const = default;
};
struct Null {
    bool operator==(const Null&) const = default;
};

// Money as a whole number of ten-thousandths.
struct Currency {
    std::int64_t tenThousandths = 0;
    bool operator==(const Currency&) const = default;
    // The amount in plain decimal digits with its four places: "-12.3400".
    std::string Digits() const;
};

// An exact decimal number kept as its text: an optional "-", digits, and
// optionally "." followed by digits.
struct Decimal {
    std::string text;
    bool operator==(const Decimal&) const = default;
};

struct Date {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool hasTime = false;
    int ticks = 0;  // ten-millionths of the second, as the format's extended dates keep them
    bool operator==(const Date&) const = default;
};

struct Binary {
    std::string bytes;
    bool operator==(const Binary&) const = default;
};

// The general value type of the data layer. A chapter field's value is a
// recordset over the child rows.
using Variant =
    std::variant<Empty, Null, bool, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float,
                 double, Currency, Decimal, Date, std::string, Binary, std::shared_ptr<Recordset>>;

bool IsNull(const Variant& value);

// The value as a whole number when it is of one of the integer kinds (not
// Boolean); nullopt for every other kind.
std::optional<std::int64_t> IntegerOf(const Variant& value);

// The value as a double; a failure for Null, Empty, text that is no number,
// dates and recordsets.
double ToDouble(const Variant& value);

// The name of the value's kind, for messages ("Null", "Text", ...).
const char* KindName(const Variant& value);

}  // namespace kestrova::platform
