#pragma once

#include <cstddef>
#include <memory>

#include "platform/datashape/ShapeAst.h"
#include "platform/datashape/ShapeEvaluator.h"

namespace kestrova::platform::shape {

// Evaluates `command` with its top level taken `rowsPerPart` rows at a
// time. Every level below it is read once, as its rows come, and each row
// is set aside in an unnamed file for the parts whose rows it relates to;
// a part's levels are read back and evaluated when the walk comes to it,
// so only one part is in memory at a time. Each part is what evaluating
// the whole command gives for its rows.
//
// A command that cannot be evaluated so, or a top level of no more than
// `rowsPerPart` rows, is evaluated whole; so is one whose rows cannot be
// set aside (with one line saying why).
PartedTable EvaluateInParts(std::shared_ptr<const ShapeCommand> command, const ProviderQuery& query,
                            const ProviderStream& stream, std::size_t rowsPerPart);

}  // namespace kestrova::platform::shape
