#pragma once

#include "platform/recordset/Table.h"

namespace kestrova::platform::shape {

// Lays out every level below `table` in the order in which a walk of the
// levels meets its rows: the children of the first parent row, then those
// of the second, and so on. A walk then reads each level from front to
// back instead of jumping about the child tables, which costs a cache miss
// for nearly every value of a large level. Rows that belong to no parent
// are dropped. A chapter that gives a child row to more than one parent
// keeps its rows where they are, shared.
void LayOutInWalkOrder(Table& table);

}  // namespace kestrova::platform::shape
