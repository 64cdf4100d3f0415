#include "platform/localstore/ValueConversion.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/recordset/TypeCodes.h"

namespace kestrova::platform {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<int> Number(std::string_view text) {
    if (!AllDigits(text)) {
        return std::nullopt;
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<double> ParseDouble(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> AsInteger(const StoredValue& value) {
    switch (value.kind) {
        case StoredValue::Integer:
            return value.integer;
        case StoredValue::Real:
            if (std::trunc(value.real) == value.real && std::fabs(value.real) < 9.0e18) {
                return static_cast<std::int64_t>(value.real);
            }
            return std::nullopt;
        case StoredValue::Text:
            return ParseInteger(value.bytes);
        default:
            return std::nullopt;
    }
}

std::optional<double> AsDouble(const StoredValue& value) {
    switch (value.kind) {
        case StoredValue::Integer:
            return static_cast<double>(value.integer);
        case StoredValue::Real:
            return std::isfinite(value.real) ? std::optional<double>(value.real) : std::nullopt;
        case StoredValue::Text:
            return ParseDouble(value.bytes);
        default:
            return std::nullopt;
    }
}

std::optional<Currency> AsCurrency(const StoredValue& value) {
    switch (value.kind) {
        case StoredValue::Integer: {
            std::int64_t scaled = 0;
            if (__builtin_mul_overflow(value.integer, 10000, &scaled)) {
                return std::nullopt;
            }
            return Currency{scaled};
        }
        case StoredValue::Real:
            if (!std::isfinite(value.real) || std::fabs(value.real) >= 9.0e14) {
                return std::nullopt;
            }
            return Currency{std::llround(value.real * 10000.0)};
        case StoredValue::Text:
            return ParseCurrency(value.bytes);
        default:
            return std::nullopt;
    }
}

// A decimal's digits: a double in plain notation, however small or large
// ("0.0000001", never "1e-07"), anything else as stored.
std::string DecimalDigits(const StoredValue& value) {
    if (value.kind != StoredValue::Real || !std::isfinite(value.real)) {
        return StoredText(value);
    }
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value.real, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::optional<Decimal> AsDecimal(const StoredValue& value) {
    const std::string text = DecimalDigits(value);
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '-') {
        digits.remove_prefix(1);
    }
    const auto point = digits.find('.');
    const auto whole = digits.substr(0, point);
    const auto fraction =
        point == std::string_view::npos ? std::string_view("0") : digits.substr(point + 1);
    if (value.kind == StoredValue::Blob || !AllDigits(whole) || !AllDigits(fraction)) {
        return std::nullopt;
    }
    return Decimal{text};
}

template <class T>
Variant InRangeOrText(const StoredValue& value, std::optional<std::int64_t> number) {
    if (number && *number >= std::numeric_limits<T>::min() &&
        *number <= std::numeric_limits<T>::max()) {
        return static_cast<T>(*number);
    }
    return StoredText(value);
}

template <class T>
Variant OrText(const StoredValue& value, std::optional<T> converted) {
    if (converted) {
        return *converted;
    }
    return StoredText(value);
}

}  // namespace

std::string ShortestText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string StoredText(const StoredValue& value) {
    switch (value.kind) {
        case StoredValue::Integer:
            return std::to_string(value.integer);
        case StoredValue::Real:
            return ShortestText(value.real);
        case StoredValue::Text:
        case StoredValue::Blob:
            return value.bytes;
        default:
            return {};
    }
}

std::optional<Date> ParseIsoDate(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    Date date;
    const auto year = Number(text.substr(0, 4));
    const auto month = Number(text.substr(5, 2));
    const auto day = Number(text.substr(8, 2));
    if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DaysInMonth(*year, *month)) {
        return std::nullopt;
    }
    date.year = *year;
    date.month = *month;
    date.day = *day;
    if (text.size() == 10) {
        return date;
    }
    if ((text[10] != ' ' && text[10] != 'T') || text.size() < 16 || text[13] != ':') {
        return std::nullopt;
    }
    const auto hour = Number(text.substr(11, 2));
    const auto minute = Number(text.substr(14, 2));
    std::optional<int> second = 0;
    std::string_view rest = text.substr(16);
    if (!rest.empty()) {
        if (rest[0] != ':' || rest.size() < 3) {
            return std::nullopt;
        }
        second = Number(rest.substr(1, 2));
        rest = rest.substr(3);
        if (!rest.empty() && (rest[0] != '.' || !AllDigits(rest.substr(1)))) {
            return std::nullopt;
        }
    }
    // A fraction of the second is kept to its first seven digits.
    for (std::size_t i = 1; i <= 7; ++i) {
        date.ticks = date.ticks * 10 + (i < rest.size() ? rest[i] - '0' : 0);
    }
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    date.hour = *hour;
    date.minute = *minute;
    date.second = *second;
    date.hasTime = true;
    return date;
}

bool IsFiniteNumber(const StoredValue& value) {
    return value.kind == StoredValue::Integer || AsDouble(value).has_value();
}

std::optional<Currency> ParseCurrency(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    const auto whole = text.substr(0, point);
    auto fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) {
        return std::nullopt;
    }
    if ((!whole.empty() && !AllDigits(whole)) || (!fraction.empty() && !AllDigits(fraction))) {
        return std::nullopt;
    }
    std::int64_t units = 0;
    for (const char c : whole) {
        if (__builtin_mul_overflow(units, 10, &units) ||
            __builtin_add_overflow(units, c - '0', &units)) {
            return std::nullopt;
        }
    }
    std::int64_t scaled = 0;
    if (__builtin_mul_overflow(units, 10000, &scaled)) {
        return std::nullopt;
    }
    std::int64_t tenThousandths = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        tenThousandths = tenThousandths * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    if (fraction.size() > 4 && fraction[4] >= '5') {
        ++tenThousandths;
    }
    if (__builtin_add_overflow(scaled, tenThousandths, &scaled)) {
        return std::nullopt;
    }
    return Currency{negative ? -scaled : scaled};
}

bool KeepsStoredText(std::int32_t typeCode) {
    switch (typeCode) {
        case adInteger:
        case adBigInt:
        case adSmallInt:
        case adUnsignedTinyInt:
        case adDouble:
        case adSingle:
        case adCurrency:
        case adNumeric:
        case adDecimal:
        case adDate:
        case adBoolean:
        case adLongVarBinary:
            return false;
        default:
            return true;
    }
}

Variant ConvertStored(StoredValue&& value, std::int32_t typeCode) {
    if (value.kind == StoredValue::Null) {
        return platform::Null{};
    }
    if (KeepsStoredText(typeCode)) {
        if (value.kind == StoredValue::Text || value.kind == StoredValue::Blob) {
            return std::move(value.bytes);
        }
        return StoredText(value);
    }
    switch (typeCode) {
        case adInteger:
            return InRangeOrText<std::int32_t>(value, AsInteger(value));
        case adBigInt:
            return InRangeOrText<std::int64_t>(value, AsInteger(value));
        case adSmallInt:
            return InRangeOrText<std::int16_t>(value, AsInteger(value));
        case adUnsignedTinyInt:
            return InRangeOrText<std::uint8_t>(value, AsInteger(value));
        case adDouble:
            return OrText(value, AsDouble(value));
        case adSingle: {
            const auto number = AsDouble(value);
            if (number && std::fabs(*number) <= std::numeric_limits<float>::max()) {
                return static_cast<float>(*number);
            }
            return StoredText(value);
        }
        case adCurrency:
            return OrText(value, AsCurrency(value));
        case adNumeric:
        case adDecimal:
            return OrText(value, AsDecimal(value));
        case adDate:
            return OrText(
                value, value.kind == StoredValue::Text ? ParseIsoDate(value.bytes) : std::nullopt);
        case adBoolean: {
            const auto number = AsInteger(value);
            if (number) {
                return *number != 0;
            }
            return StoredText(value);
        }
        case adLongVarBinary:
            return Binary{std::move(value.bytes)};
        default:
            return StoredText(value);
    }
}

}  // namespace kestrova::platform
