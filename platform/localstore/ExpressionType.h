#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/localstore/SqlTokens.h"

namespace kestrova::platform::sql {

// The result columns of a SELECT statement as written, and where its FROM
// clause starts (the end of the text when it has none).
struct SelectList {
    std::vector<std::vector<Token>> expressions;  // aliases removed
    std::size_t fromOffset = 0;
};

// nullopt for statements whose select list cannot be read this simply
// (WITH, compound selects before the first FROM, ...).
std::optional<SelectList> ReadSelectList(const std::vector<Token>& statement);

// The column references of an expression, each as written ("od.Quantity").
std::vector<std::string> ColumnReferences(const std::vector<Token>& expression);

using ColumnTypeLookup = std::function<std::optional<std::int32_t>(const std::string& reference)>;

// The type code of an expression worked out from its operands: currency
// with integers stays currency, anything with a double is double, a
// comparison is Boolean. nullopt when an operand or operator leaves it open
// (function calls, text arithmetic, unknown column types).
std::optional<std::int32_t> TypeOfExpression(const std::vector<Token>& expression,
                                             const ColumnTypeLookup& columnType);

}  // namespace kestrova::platform::sql
