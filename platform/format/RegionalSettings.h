#pragma once

#include <string>

namespace kestrova::platform {

enum class LocaleCategory { Monetary, Time, Numeric };

// The ICU locale name ("de_DE") of the user's regional setting for a
// category: LC_ALL, else the category's own variable, else LANG. Unset,
// "C" and "POSIX" mean en_US; encodings are dropped, and the @euro modifier
// becomes the euro as currency. A locale ICU has no data for is said once
// on stderr and replaced by en_US.
// The settings are read once and kept: nothing outside the program changes
// its environment while it runs.
const std::string& RegionalLocale(LocaleCategory category);

// Reads the locale variables again on the next use (after the program
// itself changed them).
void ReloadRegionalSettings();

}  // namespace kestrova::platform
