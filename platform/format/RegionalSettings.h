#pragma once

#include <string>

namespace kestrova::platform {

enum class LocaleCategory { Monetary, Time, Numeric };

// The ICU locale name ("de_DE") of the user's regional setting for a
// category: LC_ALL, else the category's own variable, else LANG. Unset,
// "C" and "POSIX" mean en_US; encodings and modifiers are dropped.
std::string RegionalLocale(LocaleCategory category);

}  // namespace kestrova::platform
