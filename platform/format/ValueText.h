#pragma once

#include <string>

#include "platform/recordset/Variant.h"

namespace kestrova::platform {

// The text of a value as string concatenation gives it, in the user's
// regional settings: Null and Empty give nothing, integers their digits,
// Booleans "True" or "False", other numbers the shortest text that reads
// back as the same value (the locale's decimal separator, no grouping),
// dates the locale's numeric date with the full year and, when they have
// one, the time of day with seconds. Fails for a recordset.
std::string ValueText(const Variant& value);

}  // namespace kestrova::platform
