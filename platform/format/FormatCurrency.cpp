#include "platform/format/FormatCurrency.h"

#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/format/IcuText.h"
#include "platform/format/RegionalSettings.h"
#include "platform/format/ValueText.h"

namespace kestrova::platform {

namespace {

// One formatter per locale, kept: making one is far dearer than using it.
// Each thread keeps its own: a formatter is not for two threads at once.
icu::NumberFormat& MoneyFormat(const std::string& localeName) {
    thread_local std::string cachedLocale;
    thread_local std::unique_ptr<icu::NumberFormat> cached;
    if (!cached || cachedLocale != localeName) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::NumberFormat> format(
            icu::NumberFormat::createCurrencyInstance(icu::Locale(localeName.c_str()), status));
        CheckIcu(status, "cannot make a currency formatter");
        format->setRoundingMode(icu::NumberFormat::kRoundHalfUp);
        cached = std::move(format);
        cachedLocale = localeName;
    }
    return *cached;
}

// The value as a number, exact where it is exact.
icu::Formattable NumberOf(const Variant& value) {
    UErrorCode status = U_ZERO_ERROR;
    if (const auto* amount = std::get_if<Currency>(&value)) {
        const std::string digits = amount->Digits();
        icu::Formattable number(icu::StringPiece(digits.c_str()), status);
        CheckIcu(status, "cannot read an amount");
        return number;
    }
    if (const auto* decimal = std::get_if<Decimal>(&value)) {
        icu::Formattable number(icu::StringPiece(decimal->text.c_str()), status);
        CheckIcu(status, "cannot read a decimal number");
        return number;
    }
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        return icu::Formattable(static_cast<int64_t>(*integer));
    }
    double number = 0;
    try {
        number = ToDouble(value);
    } catch (const runtime::Failure& error) {
        if (std::holds_alternative<std::string>(value)) {
            throw NotAnAmount(error.what());
        }
        throw;
    }
    if (!std::isfinite(number)) {
        throw NotAnAmount(ValueText(value) + " is no amount of money");
    }
    return icu::Formattable(number);
}

// The key under which a money text is remembered: the kind of the value and
// its bits; nullopt for values whose text is not worth keeping.
struct MemoKey {
    char kind;
    std::int64_t bits;
    int digits;
    TriState grouping;
    bool operator==(const MemoKey&) const = default;
};

struct MemoKeyHash {
    std::size_t operator()(const MemoKey& key) const {
        return std::hash<std::int64_t>()(key.bits) ^ (static_cast<std::size_t>(key.kind) << 1) ^
               (static_cast<std::size_t>(key.digits) << 9);
    }
};

std::optional<MemoKey> KeyOf(const Variant& value, int digits, TriState grouping) {
    if (const auto* amount = std::get_if<Currency>(&value)) {
        return MemoKey{'c', amount->tenThousandths, digits, grouping};
    }
    if (const auto* real = std::get_if<double>(&value)) {
        std::int64_t bits = 0;
        std::memcpy(&bits, real, sizeof bits);
        return MemoKey{'d', bits, digits, grouping};
    }
    if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        return MemoKey{'i', *integer, digits, grouping};
    }
    return std::nullopt;
}

std::string Format(const std::string& locale, const Variant& value, int digits, TriState grouping) {
    const icu::Formattable number = NumberOf(value);
    icu::NumberFormat& format = MoneyFormat(locale);
    format.setMinimumFractionDigits(digits);
    format.setMaximumFractionDigits(digits);
    if (grouping != TriState::UseDefault) {
        format.setGroupingUsed(grouping == TriState::True);
    }
    icu::UnicodeString text;
    UErrorCode status = U_ZERO_ERROR;
    format.format(number, text, status);
    if (grouping != TriState::UseDefault) {
        format.setGroupingUsed(true);
    }
    CheckIcu(status, "cannot format an amount");
    return Utf8(text);
}

}  // namespace

// Amounts repeat (prices, totals of one product), and formatting one with
// ICU is far dearer than looking it up, so texts are remembered per locale.
std::string FormatCurrency(const Variant& value, int digits, TriState, TriState,
                           TriState grouping) {
    thread_local std::string memoLocale;
    thread_local std::unordered_map<MemoKey, std::string, MemoKeyHash> memo;
    const std::string& locale = RegionalLocale(LocaleCategory::Monetary);
    const auto key = KeyOf(value, digits, grouping);
    if (!key) {
        return Format(locale, value, digits, grouping);
    }
    if (locale != memoLocale || memo.size() > 100000) {
        memo.clear();
        memoLocale = locale;
    }
    const auto found = memo.find(*key);
    if (found != memo.end()) {
        return found->second;
    }
    return memo.emplace(*key, Format(locale, value, digits, grouping)).first->second;
}

}  // namespace kestrova::platform
