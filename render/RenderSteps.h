#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/recordset/Recordset.h"

namespace kestrova::render {

// The end-of-data test of a level's loop: a test that fails counts as the
// end of the data, so that rendering always ends.
bool AtEndOfData(platform::Recordset* recordset, const char* level);

// The field count of a level; a count that cannot be read counts as none.
std::int32_t FieldCountOf(platform::Recordset* recordset, const char* level);

// The value of a chapter field of the parent's current row, which must be
// a recordset over the child rows.
std::shared_ptr<platform::Recordset> ChildRecordset(platform::Recordset* parent,
                                                    const std::string& chapter);

// A running number one up; fails past 2147483647.
std::int32_t NextNumber(std::int32_t number);

}  // namespace kestrova::render
