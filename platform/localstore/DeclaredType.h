#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrova::platform {

// The field type code for a column's declared SQLite type ("CURRENCY",
// "VARCHAR(40)", ...); nullopt when the declaration says nothing we know.
std::optional<std::int32_t> TypeOfDeclaration(std::string_view declaredType);

}  // namespace kestrova::platform
