#include "platform/mdbfile/ExtendedDate.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "platform/mdbfile/CivilDate.h"

namespace kestrova::mdbfile {

namespace {

constexpr std::size_t kStoredSize = 42;
constexpr std::string_view kTrailer(":7\0", 3);
// 0001-01-01 counted from 1970-01-01, and the days from it to 9999-12-31.
constexpr std::int64_t kDayZero = -719162;
constexpr std::uint64_t kDaysInRange = 3652059;
constexpr std::uint64_t kSecondsInDay = 86400;

std::optional<std::uint64_t> Digits(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<SqlValue> ExtendedDateValue(std::string_view stored) {
    if (stored.size() != kStoredSize || stored[19] != ':' || stored.substr(39) != kTrailer) {
        return std::nullopt;
    }
    const auto days = Digits(stored.substr(0, 19));
    const auto seconds = Digits(stored.substr(20, 12));
    const auto ticks = Digits(stored.substr(32, 7));
    if (!days || !seconds || !ticks || *days >= kDaysInRange || *seconds >= kSecondsInDay) {
        return std::nullopt;
    }
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(static_cast<std::int64_t>(*days) + kDayZero, year, month, day);
    char text[48];
    auto length = static_cast<std::size_t>(
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, month, day));
    if (*seconds != 0 || *ticks != 0) {
        length += static_cast<std::size_t>(std::snprintf(
            text + length, sizeof text - length, " %02u:%02u:%02u",
            static_cast<unsigned>(*seconds / 3600), static_cast<unsigned>(*seconds / 60 % 60),
            static_cast<unsigned>(*seconds % 60)));
    }
    if (*ticks != 0) {
        std::snprintf(text + length, sizeof text - length, ".%07u", static_cast<unsigned>(*ticks));
    }
    return SqlValue::OfText(text);
}

}  // namespace kestrova::mdbfile
