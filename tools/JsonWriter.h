#pragma once

#include <string>
#include <string_view>

#include "platform/recordset/Recordset.h"

namespace kestrova::tools {

// A recordset as one JSON document: {"fields": [{"name", "type"}...],
// "rows": [[...]...]}, a chapter value nested the same way. Reads the
// recordset to its end.
std::string RecordsetJson(platform::Recordset& recordset);

// One value as JSON: Null null, money "1234.5000", dates "YYYY-MM-DD[ HH:MM:SS]".
std::string ValueJson(const platform::Variant& value);

// Text as a JSON string; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace kestrova::tools
