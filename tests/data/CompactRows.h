#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/recordset/Recordset.h"

namespace kestrova::testing {

// A recordset's fields as "name:type,name:type".
std::string FieldList(platform::Recordset& recordset);

// Its rows, read to the end, each as its values joined by "|" (JSON forms;
// a chapter as "<row;row>" with its own rows the same way).
std::vector<std::string> CompactRows(platform::Recordset& recordset);

// Opens `command` on the SQLite file through the shaping provider; a
// shape command with more than `rowsPerPart` top rows (when given) in
// parts of that many.
std::shared_ptr<platform::Recordset> OpenShaped(const std::string& file, const std::string& command,
                                                std::optional<std::size_t> rowsPerPart = {});

}  // namespace kestrova::testing
