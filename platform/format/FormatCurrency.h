#pragma once

#include <string>

#include "platform/recordset/Variant.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

// A value that is no amount of money: text that is no number, or a number
// that is not finite (NaN, an infinity). Whoever read such a value from the
// data has said so already.
class NotAnAmount : public runtime::Failure {
public:
    using runtime::Failure::Failure;
};

// Tri-state settings of the currency formatter; UseDefault takes the
// regional setting.
enum class TriState { False = 0, True = -1, UseDefault = -2 };

// A value as money in the user's regional settings for money: currency
// symbol and its place, separators, grouping and the form of negative
// amounts from the locale, with `digits` decimals (rounded half away from
// zero). Fails for values that are no number (Null, dates), and with
// NotAnAmount for text that is no number and numbers that are not finite.
std::string FormatCurrency(const Variant& value, int digits = 2,
                           TriState leadingDigit = TriState::UseDefault,
                           TriState parentheses = TriState::UseDefault,
                           TriState grouping = TriState::UseDefault);

}  // namespace kestrova::platform
