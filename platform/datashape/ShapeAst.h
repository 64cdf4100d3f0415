#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kestrova::platform::shape {

struct ShapeCommand;

// Where a level's rows come from: a data provider command in braces, or a
// nested shape command.
struct Source {
    std::string providerCommand;
    std::unique_ptr<ShapeCommand> shape;
};

// ( child RELATE parentColumn TO childColumn, ... ) AS chapterName
struct Relation {
    Source child;
    std::string childAlias;
    std::vector<std::pair<std::string, std::string>> columnPairs;  // parent, child
    std::string chapterName;
};

enum class AggregateFunction { Sum, Avg, Min, Max, Count, Stdev, Any };

// SUM(chapter.column) AS name; COUNT may leave out the column.
struct Aggregate {
    AggregateFunction function;
    std::string chapter;
    std::optional<std::string> column;
    std::string name;
};

using Item = std::variant<Relation, Aggregate>;

struct ShapeCommand {
    Source source;
    std::string alias;
    std::vector<Item> items;  // in APPEND order
};

}  // namespace kestrova::platform::shape
