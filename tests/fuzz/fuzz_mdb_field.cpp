// The values of a classic .mdb file's fields, decoded from their bytes as
// a row keeps them, without the library: numbers, money, dates, extended
// dates, decimals, text and memos (compressed or not, beyond the first
// plane), code page text, GUIDs, Booleans, calculated columns' wrappers of
// each result type; and the column entries of a table definition. Where
// the sample writer can encode a value (text, money, long integers, dates,
// decimals), the decoding of what it encodes gives the value back.
//
// Input: a byte choosing what is fuzzed (a field, a definition, a value to
// encode and decode), then what that takes. The seeds are rows and table
// definitions of the real files.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/mdbfile/ColumnDefinition.h"
#include "platform/mdbfile/DecimalValue.h"
#include "platform/mdbfile/FieldBytes.h"
#include "platform/mdbfile/JetText.h"
#include "tests/fuzz/ExactBytes.h"
#include "tests/fuzz/MdbLayouts.h"
#include "tools/jetfile/FieldEncoding.h"

namespace {

using namespace kestrova;
using mdbfile::SqlValue;

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            return false;
        }
        i += length;
    }
    return true;
}

// The column types the reader decodes, and the result types of calculated
// columns.
constexpr int kTypes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                          0x08, 0x09, 0x0A, 0x0C, 0x0F, 0x10, 0x14};

void ExpectSound(const std::optional<SqlValue>& value) {
    if (value && value->kind == SqlValue::Text) {
        KESTROVA_REQUIRE(IsUtf8(value->bytes));
    }
}

void FuzzField(std::string_view input) {
    if (input.size() < 3) {
        return;
    }
    mdbfile::ColumnTraits traits;
    const int type = kTypes[static_cast<unsigned char>(input[0]) % std::size(kTypes)];
    traits.valueType = type;
    traits.scale = static_cast<unsigned char>(input[1]) % 64;
    traits.calculated = (static_cast<unsigned char>(input[2]) & 1) != 0;
    const fuzz::ExactBytes bytes(input.substr(3));
    const auto value = traits.calculated ? mdbfile::CalculatedValueOfBytes(bytes.View(), traits)
                                         : mdbfile::ValueOfBytes(type, bytes.View(), traits);
    ExpectSound(value);
    // A fixed-size number of any other size is refused.
    constexpr int kSizes[] = {0, 1, 2, 4, 8, 4, 8, 8};
    if (!traits.calculated && type >= 0x02 && type <= 0x08) {
        KESTROVA_REQUIRE(value.has_value() ==
                         (bytes.Size() == static_cast<std::size_t>(kSizes[type - 1])));
    }
    const std::string text = mdbfile::Utf8FromJetText(bytes.Data(), bytes.Size());
    KESTROVA_REQUIRE(IsUtf8(text));
    const std::string western = mdbfile::Utf8FromCodePage1252(bytes.Data(), bytes.Size());
    KESTROVA_REQUIRE(IsUtf8(western) && western.size() >= bytes.Size());
}

void FuzzDefinition(std::string_view input) {
    if (input.empty()) {
        return;
    }
    const auto layout =
        fuzz::DefinitionLayoutOf(fuzz::VersionOf(static_cast<std::uint8_t>(input[0])));
    const fuzz::ExactBytes bytes(input.substr(1));
    const auto columns = mdbfile::DefinedColumns(bytes.View(), layout);
    KESTROVA_REQUIRE(columns.empty() ||
                     bytes.Size() >= layout.firstEntryAt + columns.size() * layout.columnEntrySize);
}

// The decimal's exact text: its digits with `scale` of them after the point.
std::string DecimalText(bool negative, unsigned __int128 digits, int scale) {
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(digits % 10)));
        digits /= 10;
    } while (digits != 0);
    if (text.size() <= static_cast<std::size_t>(scale)) {
        text.insert(0, static_cast<std::size_t>(scale) + 1 - text.size(), '0');
    }
    if (scale > 0) {
        text.insert(text.size() - static_cast<std::size_t>(scale), ".");
    }
    return (negative && text.find_first_not_of("0.") != std::string::npos ? "-" : "") + text;
}

// The value as the exact decimal text it stands for.
std::string ExactText(const SqlValue& value) {
    if (value.kind == SqlValue::Integer) {
        return std::to_string(value.integer);
    }
    if (value.kind == SqlValue::Real) {
        // The shortest text that reads back as the same double.
        char text[512];
        const auto end =
            std::to_chars(text, text + sizeof text, value.real, std::chars_format::fixed).ptr;
        return std::string(text, end);
    }
    return value.bytes;
}

// Two decimal texts of the same number: trailing zeros after the point
// aside.
std::string Trimmed(std::string text) {
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

// The days since day zero of a stored date, as a line: before day zero the
// whole part counts back but the fraction, the time of day, still counts
// on (-1.25 is 06:00 of the day before day zero).
double Moment(double stored) {
    const double day = std::trunc(stored);
    return stored >= 0 ? stored : day + (day - stored);
}

template <typename T>
T Take(std::string_view input) {
    T value{};
    std::memcpy(&value, input.data(), std::min(sizeof value, input.size()));
    return value;
}

void FuzzRoundTrip(std::string_view input) {
    if (input.empty()) {
        return;
    }
    const int kind = static_cast<unsigned char>(input[0]) % 5;
    input.remove_prefix(1);
    const mdbfile::ColumnTraits none;
    if (kind == 0) {  // text, whatever it holds that is well-formed
        const std::string text(input);
        if (!IsUtf8(text)) {
            return;
        }
        const fuzz::ExactBytes stored(jetfile::EncodedText(text));
        KESTROVA_REQUIRE(mdbfile::Utf8FromJetText(stored.Data(), stored.Size()) == text);
    } else if (kind == 1) {  // long integers
        const auto number = Take<std::int32_t>(input);
        const auto value = mdbfile::ValueOfBytes(
            0x04, jetfile::EncodedFixed(jetfile::ColumnType::Long, std::int64_t{number}, "n"),
            none);
        KESTROVA_REQUIRE(value && value->kind == SqlValue::Integer && value->integer == number);
    } else if (kind == 2) {  // money, in ten-thousandths
        const auto amount = Take<std::int64_t>(input);
        const auto value = mdbfile::ValueOfBytes(
            0x05, jetfile::EncodedFixed(jetfile::ColumnType::Currency, amount, "m"), none);
        KESTROVA_REQUIRE(value.has_value());
        if (value->kind == SqlValue::Real) {
            // A double only where it gives the ten-thousandths back.
            KESTROVA_REQUIRE(std::llround(value->real * 10000.0) == amount);
        } else {
            const bool negative = amount < 0;
            const auto magnitude = negative ? 0 - static_cast<std::uint64_t>(amount)
                                            : static_cast<std::uint64_t>(amount);
            KESTROVA_REQUIRE(Trimmed(ExactText(*value)) ==
                             Trimmed(DecimalText(negative, magnitude, 4)));
        }
    } else if (kind == 3) {  // dates: days since 1899-12-30, the time of day the fraction
        const auto days = Take<double>(input);
        const auto value = mdbfile::ValueOfBytes(
            0x08, jetfile::EncodedFixed(jetfile::ColumnType::DateTime, days, "d"), none);
        KESTROVA_REQUIRE(value.has_value());
        if (value->kind == SqlValue::Text) {
            const auto back = jetfile::DateValue(value->bytes);
            // Read to the second; written back, the same moment.
            KESTROVA_REQUIRE(back && std::fabs(Moment(*back) - Moment(days)) <=
                                         0.5 / 86400 + 1e-9 * std::fabs(days));
        } else {
            KESTROVA_REQUIRE(value->kind == SqlValue::Real &&
                             (std::isnan(days) ? std::isnan(value->real) : value->real == days));
        }
    } else {  // decimals of up to 28 digits, with a scale of up to 28
        if (input.size() < 14) {
            return;
        }
        const bool negative = (input[0] & 1) != 0;
        const int scale = static_cast<unsigned char>(input[1]) % 29;
        unsigned __int128 digits = 0;
        std::memcpy(&digits, input.data() + 2, 12);
        const fuzz::ExactBytes stored(jetfile::EncodedDecimal(negative, digits));
        const auto value = mdbfile::StoredDecimalValue(stored.View(), scale);
        KESTROVA_REQUIRE(value.has_value());
        KESTROVA_REQUIRE(Trimmed(ExactText(*value)) ==
                         Trimmed(DecimalText(negative, digits, scale)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0:
            FuzzField(input);
            break;
        case 1:
            FuzzDefinition(input);
            break;
        default:
            FuzzRoundTrip(input);
    }
    return 0;
}
