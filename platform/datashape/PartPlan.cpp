#include "platform/datashape/PartPlan.h"

#include "platform/runtime/TextCompare.h"

namespace kestrova::platform::shape {

namespace {

// The shape inside any shapes that only wrap it.
const ShapeCommand& Unwrapped(const ShapeCommand& command) {
    const ShapeCommand* inner = &command;
    while (inner->items.empty() && inner->source.shape) {
        inner = inner->source.shape.get();
    }
    return *inner;
}

const std::string& NameOf(const Item& item) {
    if (const auto* relation = std::get_if<Relation>(&item)) {
        return relation->chapterName;
    }
    return std::get<Aggregate>(item).name;
}

// Whether `name` may stand for one of the first `count` appended columns.
bool NamesAppended(const ShapeCommand& shape, std::size_t count, const std::string& name) {
    for (std::size_t i = 0; i < count && i < shape.items.size(); ++i) {
        if (runtime::EqualsIgnoringCase(NameOf(shape.items[i]), name)) {
            return true;
        }
    }
    return false;
}

class Planner {
public:
    std::optional<std::vector<PlannedLevel>> Plan(const ShapeCommand& command) {
        const ShapeCommand& top = Unwrapped(command);
        if (top.source.shape || top.items.empty()) {
            return std::nullopt;
        }
        PlannedLevel level;
        level.command = top.source.providerCommand;
        if (!AddShape(top, std::move(level))) {
            return std::nullopt;
        }
        return std::move(levels_);
    }

private:
    // Adds `level`, whose rows `shape` appends to, and the levels below it.
    bool AddShape(const ShapeCommand& shape, PlannedLevel level) {
        const int index = static_cast<int>(levels_.size());
        levels_.push_back(std::move(level));
        for (std::size_t i = 0; i < shape.items.size(); ++i) {
            if (NameOf(shape.items[i]).empty()) {
                return false;  // its name is only made during evaluation
            }
            const auto* relation = std::get_if<Relation>(&shape.items[i]);
            if (!relation) {
                continue;
            }
            PlannedLevel child;
            child.parent = index;
            for (const auto& [parentName, childName] : relation->columnPairs) {
                if (NamesAppended(shape, i, parentName)) {
                    return false;
                }
                child.parentColumns.push_back(parentName);
                child.childColumns.push_back(childName);
            }
            if (!AddSource(relation->child, std::move(child))) {
                return false;
            }
        }
        return true;
    }

    bool AddSource(const Source& source, PlannedLevel level) {
        if (!source.shape) {
            level.command = source.providerCommand;
            levels_.push_back(std::move(level));
            return true;
        }
        const ShapeCommand& shape = Unwrapped(*source.shape);
        if (shape.source.shape) {
            return false;
        }
        for (const auto& name : level.childColumns) {
            if (NamesAppended(shape, shape.items.size(), name)) {
                return false;
            }
        }
        level.command = shape.source.providerCommand;
        return AddShape(shape, std::move(level));
    }

    std::vector<PlannedLevel> levels_;
};

}  // namespace

std::optional<std::vector<PlannedLevel>> PlanParts(const ShapeCommand& command) {
    return Planner().Plan(command);
}

}  // namespace kestrova::platform::shape
