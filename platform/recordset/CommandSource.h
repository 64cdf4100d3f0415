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
    // The result as the recordset walks it: in parts where the source
    // keeps a large result out of memory until it is needed.
    virtual PartedTable ExecuteInParts(const std::string& command) const {
        return {Execute(command), nullptr};
    }
};

}  // namespace kestrova::platform
