#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/datashape/ShapeAst.h"

namespace kestrova::platform::shape {

// One level of a shape command, as evaluation in parts reads it: rows of a
// data provider command, related to those of the level above.
struct PlannedLevel {
    std::string command;
    int parent = -1;  // the level above; -1 for the top level
    std::vector<std::string> parentColumns;
    std::vector<std::string> childColumns;  // of this level's own rows
};

// The levels of `command` in the order its evaluation asks the data
// provider for them, the top level first; nullopt when the command cannot
// be evaluated in parts: a level whose rows are no data provider command
// (other than a shape around a single shape), or a relation over a column
// that the command itself appends, or an appended column left unnamed.
std::optional<std::vector<PlannedLevel>> PlanParts(const ShapeCommand& command);

}  // namespace kestrova::platform::shape
