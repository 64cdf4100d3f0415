#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/recordset/CommandSource.h"
#include "platform/recordset/Table.h"

namespace kestrova::platform {

class LocalStore;

// A connection to a database file through the data-shaping provider
// "DataShape" over the data provider "LocalStore.4.0" named in the
// connection string. Set the three settings, then Open.
class Connection final : public CommandSource {
public:
    Connection();
    ~Connection() override;

    std::string ConnectionString;
    std::string Provider;
    std::int32_t Mode = 0;

    // An empty `connectionString` keeps the one set before; -1 is the
    // default for the options.
    void Open(const std::string& connectionString = "", const std::string& userId = "",
              const std::string& password = "", std::int32_t options = -1);
    bool IsOpen() const { return store_ != nullptr; }

    // Runs a command (a shape command, or a plain one for the data
    // provider) and gives its whole result.
    std::shared_ptr<Table> Execute(const std::string& command) const override;
    // The same result, a shape command's in parts of `RowsPerPart` top
    // rows when it has more: its lower levels wait in a file of the
    // temporary folder, not in memory, until their part is walked.
    PartedTable ExecuteInParts(const std::string& command) const override;

    // A part of 8,192 customers holds some 32 MB of their orders and line
    // items; the parts of a result up to that size are the whole result,
    // read as quickly as ever.
    std::size_t RowsPerPart = 8192;

private:
    std::shared_ptr<LocalStore> store_;
};

}  // namespace kestrova::platform
