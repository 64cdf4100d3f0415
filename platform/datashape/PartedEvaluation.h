#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/datashape/KeyParts.h"
#include "platform/datashape/ShapeAst.h"
#include "platform/datashape/ShapeEvaluator.h"

namespace kestrova::platform::shape {

// The rows of a data provider command whose column `column` holds one of
// `keys`, found through an index, each key's rows in the order the whole
// command gives them; nullopt when they cannot be found so.
using ProviderLookup = std::function<std::optional<std::shared_ptr<Table>>(
    const std::string& command, const std::string& column, const std::vector<PartKey>& keys)>;

// Evaluates `command` with its top level taken `rowsPerPart` rows at a
// time. Every level below it is read once, as its rows come, and each row
// is set aside in an unnamed file for the parts whose rows it relates to;
// a part's levels are read back and evaluated when the walk comes to it,
// so only one part is in memory at a time. Each part is what evaluating
// the whole command gives for its rows.
//
// Where `lookup` finds the rows of every level below the top through an
// index, the first part is smaller (kFirstRows top rows) and its rows are
// looked up at once, level by level: it comes before anything else is
// read. The other levels are then read and set aside when the walk passes
// that part.
//
// A command that cannot be evaluated so, or a top level of no more than
// `rowsPerPart` rows, is evaluated whole; so is one whose rows cannot be
// set aside (with one line saying why), or the rows after the first part.
PartedTable EvaluateInParts(std::shared_ptr<const ShapeCommand> command, const ProviderQuery& query,
                            const ProviderStream& stream, const ProviderLookup& lookup,
                            std::size_t rowsPerPart);

// The top rows of the first part whose rows are looked up.
inline constexpr std::size_t kFirstRows = 256;

}  // namespace kestrova::platform::shape
