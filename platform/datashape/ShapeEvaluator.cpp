#include "platform/datashape/ShapeEvaluator.h"
#include "platform/runtime/TextCompare.h"

#include <cctype>

#include "platform/datashape/Aggregate.h"
#include "platform/datashape/Relate.h"
#include "platform/datashape/ShapeParser.h"
#include "platform/datashape/WalkOrder.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform::shape {

std::size_t FindColumn(const Table& table, const std::string& name, const char* level) {
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].name == name) {
            return i;
        }
    }
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (runtime::EqualsIgnoringCase(table.columns[i].name, name)) {
            return i;
        }
    }
    throw runtime::Failure(std::string("shape command: the ") + level + " has no column [" + name +
                           "]");
}

namespace {

class Evaluator {
public:
    explicit Evaluator(const ProviderQuery& provider) : provider_(provider) {}

    std::shared_ptr<Table> Shape(const ShapeCommand& command) {
        auto table = Source(command.source);
        for (const auto& item : command.items) {
            if (const auto* relation = std::get_if<Relation>(&item)) {
                table->columns.push_back(Relate(*table, *relation));
            } else {
                table->columns.push_back(Aggregated(*table, std::get<Aggregate>(item)));
            }
        }
        return table;
    }

private:
    std::shared_ptr<Table> Source(const shape::Source& source) {
        if (source.shape) {
            return Shape(*source.shape);
        }
        auto table = provider_(source.providerCommand);
        if (!table) {
            throw runtime::Failure("the data provider gave no result");
        }
        return table;
    }

    Column Relate(const Table& parent, const Relation& relation) {
        std::shared_ptr<Table> child = Source(relation.child);
        std::vector<std::size_t> parentColumns;
        std::vector<std::size_t> childColumns;
        for (const auto& [parentName, childName] : relation.columnPairs) {
            parentColumns.push_back(RelatedColumn(parent, parentName, "parent level"));
            childColumns.push_back(RelatedColumn(*child, childName, "child level"));
        }
        Column column;
        column.name = relation.chapterName.empty() ? "Chapter" + std::to_string(++chapters_)
                                                   : relation.chapterName;
        column.type = adChapter;
        column.chapter = BuildChapter(parent, parentColumns, std::move(child), childColumns);
        return column;
    }

    // A chapter holds no values to compare, on either side of a relation.
    static std::size_t RelatedColumn(const Table& table, const std::string& name,
                                     const char* level) {
        const auto column = FindColumn(table, name, level);
        if (table.columns[column].chapter) {
            throw runtime::Failure("shape command: [" + name +
                                   "] is a chapter and cannot be related");
        }
        return column;
    }

    Column Aggregated(const Table& table, const Aggregate& aggregate) {
        const auto chapterColumn = FindColumn(table, aggregate.chapter, "level");
        const auto& chapter = table.columns[chapterColumn].chapter;
        if (!chapter) {
            throw runtime::Failure("shape command: [" + aggregate.chapter + "] is not a chapter");
        }
        std::optional<std::size_t> childColumn;
        if (aggregate.column) {
            childColumn = FindColumn(*chapter->child, *aggregate.column, "chapter");
            if (chapter->child->columns[*childColumn].chapter) {
                if (aggregate.function == AggregateFunction::Count) {
                    childColumn.reset();  // a chapter is never Null: count the rows
                } else {
                    throw runtime::Failure("shape command: [" + *aggregate.column +
                                           "] is a chapter and cannot be aggregated");
                }
            }
        }
        const std::string name =
            aggregate.name.empty() ? "Aggregate" + std::to_string(++aggregates_) : aggregate.name;
        return ComputeAggregate(aggregate.function, *chapter, childColumn, table.rowCount, name);
    }

    const ProviderQuery& provider_;
    int chapters_ = 0;
    int aggregates_ = 0;
};

}  // namespace

std::shared_ptr<Table> Evaluate(const ShapeCommand& command, const ProviderQuery& provider) {
    auto table = Evaluator(provider).Shape(command);
    LayOutInWalkOrder(*table);
    return table;
}

std::shared_ptr<Table> RunCommand(std::string_view command, const ProviderQuery& provider) {
    if (!IsShapeCommand(command)) {
        auto table = provider(std::string(command));
        if (!table) {
            throw runtime::Failure("the data provider gave no result");
        }
        return table;
    }
    return Evaluate(Parse(command), provider);
}

}  // namespace kestrova::platform::shape
