#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/datashape/ShapeAst.h"
#include "platform/recordset/Table.h"

namespace kestrova::platform::shape {

// Runs one command of the data provider and gives its whole result.
using ProviderQuery = std::function<std::shared_ptr<Table>(const std::string& command)>;

// Makes a table of rows read in chunks final: gives its columns, all of
// the result's in order, their names, types and final values.
using RowsFinisher = std::function<void(Table& rows)>;
// Runs one command of the data provider and hands its rows to `take` in
// chunks as they are read, each a table of provisional values (a column
// whose type is not yet known has type adEmpty); then gives what makes
// such rows final.
using ProviderStream = std::function<RowsFinisher(const std::string& command,
                                                  const std::function<void(Table& chunk)>& take)>;

// The column of `table` called `name`, matched exactly, else ignoring
// case. Throws runtime::Failure naming the `level` when there is none.
std::size_t FindColumn(const Table& table, const std::string& name, const char* level);

// Evaluates a parsed shape command: each level's rows from its source, then
// the chapters and aggregates of its APPEND list, in order.
std::shared_ptr<Table> Evaluate(const ShapeCommand& command, const ProviderQuery& provider);

// A shape command, or a plain command passed to the data provider as it is.
std::shared_ptr<Table> RunCommand(std::string_view command, const ProviderQuery& provider);

}  // namespace kestrova::platform::shape
