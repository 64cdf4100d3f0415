#pragma once

#include <string>

#include "platform/recordset/Variant.h"

namespace kestrova::platform {

// Tri-state settings of the currency formatter; UseDefault takes the
// regional setting.
enum class TriState { False = 0, True = -1, UseDefault = -2 };

// A value as money in the user's regional settings for money: currency
// symbol and its place, separators, grouping and the form of negative
// amounts from the locale, with `digits` decimals (rounded half away from
// zero). Fails for values that are no number (Null, text, dates).
std::string FormatCurrency(const Variant& value, int digits = 2,
                           TriState leadingDigit = TriState::UseDefault,
                           TriState parentheses = TriState::UseDefault,
                           TriState grouping = TriState::UseDefault);

}  // namespace kestrova::platform
