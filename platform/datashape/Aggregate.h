#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/datashape/ShapeAst.h"
#include "platform/recordset/Table.h"

namespace kestrova::platform::shape {

// The column of an aggregate over each parent row's children. SUM, AVG,
// MIN, MAX and STDEV pass over Nulls and give Null when there is no value;
// COUNT gives 0 then.
Column ComputeAggregate(AggregateFunction function, const Chapter& chapter,
                        std::optional<std::size_t> childColumn, std::size_t parentRowCount,
                        std::string name);

}  // namespace kestrova::platform::shape
