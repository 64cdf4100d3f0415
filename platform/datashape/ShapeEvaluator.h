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

// Evaluates a parsed shape command: each level's rows from its source, then
// the chapters and aggregates of its APPEND list, in order.
std::shared_ptr<Table> Evaluate(const ShapeCommand& command, const ProviderQuery& provider);

// A shape command, or a plain command passed to the data provider as it is.
std::shared_ptr<Table> RunCommand(std::string_view command, const ProviderQuery& provider);

}  // namespace kestrova::platform::shape
