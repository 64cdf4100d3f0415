#include "platform/mdbfile/DecimalValue.h"

#include <charconv>
#include <string>
#include <string_view>

#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

std::string DigitsOf(unsigned __int128 number) {
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(number % 10));
        number /= 10;
    } while (number != 0);
    return std::string(digits.rbegin(), digits.rend());
}

std::optional<std::int64_t> Integer(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// The double whose shortest plain notation is exactly `text`, if any.
std::optional<double> ExactDouble(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    char shortest[512];
    const char* end =
        std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::fixed).ptr;
    if (std::string_view(shortest, static_cast<std::size_t>(end - shortest)) != text) {
        return std::nullopt;
    }
    return value;
}

unsigned __int128 LittleWord(std::string_view bytes, std::size_t at, std::size_t size) {
    return LittleEndian(bytes.data() + at, size);
}

constexpr int kLargestScale = 38;
constexpr unsigned char kNegative = 0x80;

}  // namespace

SqlValue DecimalValue(bool negative, unsigned __int128 digits, int scale) {
    std::string text = DigitsOf(digits);
    const auto places = static_cast<std::size_t>(scale < 0 ? 0 : scale);
    if (text.size() <= places) {
        text.insert(0, places + 1 - text.size(), '0');
    }
    // Appended, not added to a literal: GCC 12 warns falsely of overlapping
    // copies in `"-" + std::string` when optimising.
    std::string whole = negative && digits != 0 ? "-" : "";
    whole.append(text, 0, text.size() - places);
    const std::string fraction = text.substr(text.size() - places);
    const auto significant = fraction.find_last_not_of('0');
    if (significant == std::string::npos) {
        if (const auto integer = Integer(whole)) {
            return SqlValue::OfInteger(*integer);
        }
    }
    const std::string shortest = significant == std::string::npos
                                     ? whole
                                     : whole + "." + fraction.substr(0, significant + 1);
    if (const auto real = ExactDouble(shortest)) {
        return SqlValue::OfReal(*real);
    }
    return SqlValue::OfText(places ? whole + "." + fraction : whole);
}

std::optional<SqlValue> StoredDecimalValue(std::string_view bytes, int scale) {
    if (bytes.size() != 17 || scale < 0 || scale > kLargestScale) {
        return std::nullopt;
    }
    unsigned __int128 digits = 0;
    for (std::size_t word = 0; word < 4; ++word) {
        digits = (digits << 32) | LittleWord(bytes, 1 + 4 * word, 4);
    }
    return DecimalValue((bytes[0] & kNegative) != 0, digits, scale);
}

std::optional<SqlValue> CalculatedDecimalValue(std::string_view bytes) {
    if (bytes.size() != 16 || static_cast<unsigned char>(bytes[2]) > kLargestScale) {
        return std::nullopt;
    }
    const unsigned __int128 digits = (LittleWord(bytes, 4, 4) << 64) | LittleWord(bytes, 8, 8);
    return DecimalValue((bytes[3] & kNegative) != 0, digits, static_cast<unsigned char>(bytes[2]));
}

}  // namespace kestrova::mdbfile
