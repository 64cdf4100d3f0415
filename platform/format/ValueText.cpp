#include "platform/format/ValueText.h"
#include "platform/recordset/Overloaded.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>
#include <unordered_map>

#include "platform/format/IcuText.h"
#include "platform/format/RegionalSettings.h"

namespace kestrova::platform {

namespace {

// Formatters for one locale, made on first use and kept while the locale
// stays the same.
template <class Formatters>
Formatters& For(const std::string& locale) {
    thread_local std::string cachedLocale;
    thread_local std::unique_ptr<Formatters> cached;
    if (!cached || locale != cachedLocale) {
        cached = std::make_unique<Formatters>(icu::Locale(locale.c_str()));
        cachedLocale = locale;
    }
    return *cached;
}

struct DateFormatters {
    explicit DateFormatters(const icu::Locale& locale) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        CheckIcu(status, "cannot make a date pattern");
        const icu::UnicodeString pattern = generator->getBestPattern(u"yMd", status);
        CheckIcu(status, "cannot make a date pattern");
        date = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
        CheckIcu(status, "cannot make a date formatter");
        time.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
        if (!time) {
            throw runtime::Failure("cannot make a time formatter");
        }
        // Dates are calendar values, not instants: format them in UTC, and
        // in the Gregorian calendar all the way back, as they are stored.
        date->adoptTimeZone(icu::TimeZone::createTimeZone(u"UTC"));
        time->adoptTimeZone(icu::TimeZone::createTimeZone(u"UTC"));
        if (auto* calendar = dynamic_cast<icu::GregorianCalendar*>(
                const_cast<icu::Calendar*>(date->getCalendar()))) {
            calendar->setGregorianChange(-std::numeric_limits<double>::max(), status);
            CheckIcu(status, "cannot set up the calendar");
        }
    }
    std::unique_ptr<icu::SimpleDateFormat> date;
    std::unique_ptr<icu::DateFormat> time;
};

struct NumberSymbols {
    explicit NumberSymbols(const icu::Locale& locale) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::DecimalFormatSymbols symbols(locale, status);
        CheckIcu(status, "cannot read the number symbols");
        decimalSeparator =
            Utf8(symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
    }
    std::string decimalSeparator;
};

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long DaysFromEpoch(int year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::string FormatDate(DateFormatters& formatters, const Date& date) {
    const UDate instant =
        (static_cast<double>(DaysFromEpoch(date.year, date.month, date.day)) * 86400.0 +
         date.hour * 3600.0 + date.minute * 60.0 + date.second) *
        1000.0;
    icu::UnicodeString text;
    formatters.date->format(instant, text);
    if (date.hasTime) {
        text.append(u' ');
        formatters.time->format(instant, text);
    }
    return Utf8(text);
}

// Orders share their dates, and ICU's formatting is dear: the texts are
// remembered for as long as the locale stays the same.
std::string DateText(const Date& date) {
    thread_local std::string memoLocale;
    thread_local std::unordered_map<std::uint64_t, std::string> memo;
    const std::string& locale = RegionalLocale(LocaleCategory::Time);
    if (locale != memoLocale || memo.size() > 100000) {
        memo.clear();
        memoLocale = locale;
    }
    // Year, month, day, hour, minute, second and whether there is a time, in
    // bit fields wide enough for each.
    const std::uint64_t key =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(date.year)) << 32) |
        (static_cast<std::uint64_t>(date.month & 15) << 27) |
        (static_cast<std::uint64_t>(date.day & 31) << 22) |
        (static_cast<std::uint64_t>(date.hour & 31) << 17) |
        (static_cast<std::uint64_t>(date.minute & 63) << 11) |
        (static_cast<std::uint64_t>(date.second & 63) << 5) | (date.hasTime ? 1u : 0u);
    const auto found = memo.find(key);
    if (found != memo.end()) {
        return found->second;
    }
    return memo.emplace(key, FormatDate(For<DateFormatters>(locale), date)).first->second;
}

std::string WithDecimalSeparator(std::string number) {
    const auto point = number.find('.');
    if (point != std::string::npos) {
        number.replace(
            point, 1, For<NumberSymbols>(RegionalLocale(LocaleCategory::Numeric)).decimalSeparator);
    }
    return number;
}

template <class Real>
std::string RealText(Real value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return WithDecimalSeparator(std::string(buffer, end));
}

// An amount's digits without the zeros its places end with: "-0.5", "12".
std::string CurrencyText(const Currency& amount) {
    std::string text = amount.Digits();
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return WithDecimalSeparator(text);
}

}  // namespace

std::string ValueText(const Variant& value) {
    return std::visit(
        Overloaded{
            [](const Empty&) -> std::string { return {}; },
            [](const Null&) -> std::string { return {}; },
            [](bool b) -> std::string { return b ? "True" : "False"; },
            [](std::integral auto v) -> std::string { return std::to_string(v); },
            [](float v) -> std::string { return RealText(v); },
            [](double v) -> std::string { return RealText(v); },
            [](const Currency& c) -> std::string { return CurrencyText(c); },
            [](const Decimal& d) -> std::string { return WithDecimalSeparator(d.text); },
            [](const Date& d) -> std::string { return DateText(d); },
            [](const std::string& s) -> std::string { return s; },
            [](const Binary& b) -> std::string { return b.bytes; },
            [](const std::shared_ptr<Recordset>&) -> std::string {
                throw runtime::Failure("a recordset has no text");
            },
        },
        value);
}

}  // namespace kestrova::platform
