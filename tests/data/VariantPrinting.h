#pragma once

#include <ostream>

#include "platform/recordset/Variant.h"
#include "tools/JsonWriter.h"

namespace kestrova::platform {

// Lets the tests' failure messages show a value with its kind.
inline void PrintTo(const Variant& value, std::ostream* out) {
    *out << KindName(value) << " " << tools::ValueJson(value);
}

}  // namespace kestrova::platform
