#pragma once

#include <string_view>

#include "platform/datashape/ShapeAst.h"

namespace kestrova::platform::shape {

// Whether the command is a shape command (starts with SHAPE) rather than a
// command for the data provider itself.
bool IsShapeCommand(std::string_view command);

// Parses a shape command. Fails (runtime::Failure) with the position and
// what was expected there.
ShapeCommand Parse(std::string_view command);

}  // namespace kestrova::platform::shape
