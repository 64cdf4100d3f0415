#include "platform/mdbfile/FieldValue.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/mdbfile/CivilDate.h"

namespace kestrova::mdbfile {

namespace {

// 1899-12-30, the format's day zero, counted from 1970-01-01.
constexpr std::int64_t kDayZero = -25569;
constexpr double kDaysInRange = 3.0e6;  // well beyond the years 100 to 9999

}  // namespace

SqlValue MoneyValue(std::int64_t tenThousandths) {
    if (tenThousandths % 10000 == 0) {
        return SqlValue::OfInteger(tenThousandths / 10000);
    }
    // Within 2^53 ten-thousandths the count itself is exact as a double.
    constexpr std::int64_t kExactInDouble = std::int64_t{1} << 53;
    const double amount = static_cast<double>(tenThousandths) / 10000.0;
    if (tenThousandths > -kExactInDouble && tenThousandths < kExactInDouble &&
        std::llround(amount * 10000.0) == tenThousandths) {
        return SqlValue::OfReal(amount);
    }
    const std::uint64_t magnitude = tenThousandths < 0
                                        ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                        : static_cast<std::uint64_t>(tenThousandths);
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%04llu", tenThousandths < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return SqlValue::OfText(text);
}

SqlValue DateTimeValue(double days) {
    if (!std::isfinite(days) || std::fabs(days) > kDaysInRange) {
        return SqlValue::OfReal(days);
    }
    // The whole part counts days (back from day zero when negative); the
    // fraction's size is the time of day either way.
    const double whole = std::trunc(days);
    auto dayNumber = static_cast<std::int64_t>(whole);
    auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * 86400.0));
    if (seconds >= 86400) {
        ++dayNumber;
        seconds -= 86400;
    }
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(dayNumber + kDayZero, year, month, day);
    if (year < 100 || year > 9999) {
        return SqlValue::OfReal(days);
    }
    char text[32];
    if (seconds == 0) {
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, month, day);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", year, month, day,
                      static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                      static_cast<int>(seconds % 60));
    }
    return SqlValue::OfText(text);
}

std::string GuidText(const unsigned char* bytes) {
    char text[40];
    std::snprintf(
        text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
        bytes[3], bytes[2], bytes[1], bytes[0], bytes[5], bytes[4], bytes[7], bytes[6], bytes[8],
        bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

const char* DeclaredTypeOf(int columnType) {
    switch (columnType) {
        case 0x01:
            return "BOOLEAN";
        case 0x02:
            return "BYTE";
        case 0x03:
            return "SMALLINT";
        case 0x04:
            return "INTEGER";
        case 0x05:
            // No conversion on the way in: an amount beyond what a double
            // holds exactly is kept as its exact decimal text.
            return "CURRENCY BLOB";
        case 0x06:  // single
        case 0x07:
            return "DOUBLE";
        case 0x08:
            return "DATETIME";
        case 0x09:
            return "BLOB";
        case 0x0A:  // text
        case 0x0C:  // memo
        case 0x0F:  // replication id
            return "TEXT";
        case 0x10:
            // Like money: a decimal beyond what a double holds exactly is
            // kept as its exact text, unconverted.
            return "DECIMAL BLOB";
        case 0x14:  // extended date/time
            return "DATETIME";
        default:
            return nullptr;
    }
}

}  // namespace kestrova::mdbfile
