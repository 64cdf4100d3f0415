#pragma once

#include <memory>
#include <string>

#include "platform/recordset/Table.h"

namespace kestrova::platform {

// What a recordset is opened on: something that runs a command and gives
// its whole result as a table. The connection is one.
class CommandSource {
public:
    virtual ~CommandSource() = default;
    virtual std::shared_ptr<Table> Execute(const std::string& command) const = 0;
};

}  // namespace kestrova::platform
