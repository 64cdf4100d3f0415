#include "platform/format/FormatCurrency.h"

#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>

#include <cstdio>
#include <memory>

#include "platform/format/IcuText.h"
#include "platform/format/RegionalSettings.h"

namespace kestrova::platform {

namespace {

// One formatter per locale, kept: making one is far dearer than using it.
icu::NumberFormat& MoneyFormat(const std::string& localeName) {
    static std::string cachedLocale;
    static std::unique_ptr<icu::NumberFormat> cached;
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

std::string CurrencyDigits(const Currency& amount) {
    const bool negative = amount.tenThousandths < 0;
    const unsigned long long magnitude =
        negative ? 0ull - static_cast<unsigned long long>(amount.tenThousandths)
                 : static_cast<unsigned long long>(amount.tenThousandths);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", negative ? "-" : "", magnitude / 10000,
                  magnitude % 10000);
    return buffer;
}

// The value as a number, exact where it is exact.
icu::Formattable NumberOf(const Variant& value) {
    UErrorCode status = U_ZERO_ERROR;
    if (const auto* amount = std::get_if<Currency>(&value)) {
        const std::string digits = CurrencyDigits(*amount);
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
    return icu::Formattable(ToDouble(value));
}

}  // namespace

std::string FormatCurrency(const Variant& value, int digits, TriState, TriState,
                           TriState grouping) {
    const icu::Formattable number = NumberOf(value);
    icu::NumberFormat& format = MoneyFormat(RegionalLocale(LocaleCategory::Monetary));
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

}  // namespace kestrova::platform
