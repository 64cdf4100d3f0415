#pragma once

#include <string>
#include <vector>

#include "platform/recordset/Recordset.h"

namespace kestrova::testing {

// A recordset's fields as "name:type,name:type".
std::string FieldList(platform::Recordset& recordset);

// Its rows, read to the end, each as its values joined by "|" (JSON forms;
// a chapter as "<row;row>" with its own rows the same way).
std::vector<std::string> CompactRows(platform::Recordset& recordset);

// Opens `command` on the SQLite file through the shaping provider.
std::shared_ptr<platform::Recordset> OpenShaped(const std::string& file,
                                                const std::string& command);

}  // namespace kestrova::testing
